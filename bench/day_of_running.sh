#!/bin/bash
# A day of running: the real program under a clock sped up SPEED times for DURATION real
# seconds (default 600 s at x60, that is ten simulated hours around midnight), with NOTES notes
# and PER_KIND scheduler entries of every kind (once, every N minutes, daily, weekly, monthly,
# yearly), each due exactly once within the simulated stretch. Every alarm window is
# acknowledged with Return as it comes; the entry it belonged to is told by its lastshowdate
# changing in timetable.ini.
#
# Prints:
#   - alarms per entry: how many entries came due, opened once, opened more than once, or not
#     at all by the end;
#   - resident memory (VmRSS) after the first real minute and at the end, and the difference,
#     and every 30 s with the number of alarms so far;
#   - threads and wake-ups per second (voluntary + forced context switches of all threads, from
#     /proc/<pid>/task/*/status) over an idle stretch before the first alarm and one after the
#     last: a timer left running by an alarm window would show as more wake-ups at the end;
#   - with strace installed, the timed waits of the event loops over those stretches, by
#     interval in program time: each interval is a running timer (the scheduler's is 20 s).
#
# Needs: Xvfb, xdotool (the Makefile's packages), python3 and faketime, which is not part of
# `make deps` (only this bench needs it):  apt-get install faketime   (strace optional)
#
# Exits with 1 unless every entry opened exactly once and the end's memory is within 2 MB of
# the first minute's.
#
# Usage: bench/day_of_running.sh [path/to/notella]
#   DURATION=120 PER_KIND=20 bench/day_of_running.sh build/notella   # a two-minute smoke run
set -euo pipefail

EXE=$(realpath "${1:-build/notella}")
export EXE DURATION=${DURATION:-600} SPEED=${SPEED:-60} NOTES=${NOTES:-50} PER_KIND=${PER_KIND:-200}
for tool in Xvfb xdotool faketime python3; do
    command -v "$tool" >/dev/null || { echo "missing: $tool" >&2; exit 2; }
done

exec python3 - <<'PY'
import datetime as dt, os, re, shutil, subprocess, sys, tempfile, time

EXE = os.environ["EXE"]
DURATION = int(os.environ["DURATION"])
SPEED = int(os.environ["SPEED"])
NOTES = int(os.environ["NOTES"])
PER_KIND = int(os.environ["PER_KIND"])
STRACE = shutil.which("strace")
W = DURATION * SPEED  # simulated seconds
MIDNIGHT = dt.datetime(2026, 12, 9)
START = MIDNIGHT - dt.timedelta(seconds=W // 2)
# The due moments lie in this part of the stretch. The first alarm windows come within the
# first minute, so that the memory they take once (fonts, the dialog's resources) is in the
# figure the end is compared with.
FIRST, LAST = 0.08, 0.70

root = tempfile.mkdtemp(prefix="notella-day.")
prog, home = os.path.join(root, "prog"), os.path.join(root, "home")
for d in ("prog/sheets", "prog/timetable", "home", "run", "config", "data"):
    os.makedirs(os.path.join(root, d))
os.chmod(os.path.join(root, "run"), 0o700)
shutil.copy(EXE, os.path.join(prog, "notella"))


def stamp(t):
    return t.strftime("%Y-%m-%d %H:%M:%S")


for i in range(NOTES):
    with open(os.path.join(prog, "sheets", "n%02d.sheet" % i), "wb") as f:
        f.write(("[Position]\r\nLeft=%d\r\nTop=%d\r\n[Sheet]\r\nText0=Notatka %d\r\n"
                 % (20 + 15 * (i % 40), 20 + 12 * (i % 40), i)).encode())
with open(os.path.join(prog, "notella.ini"), "wb") as f:
    f.write(b"[Settings]\r\nShowAboutAtStart=0\r\nLastLaunchedVersion=1\r\n"
            b"[ShedulerSettings]\r\nAutomarkDelete=0\r\n")

# One due moment per entry, spread over the middle of the stretch; monthly and yearly entries
# are due at midnight, which the stretch straddles.
kinds = {1: "once", 2: "minutes", 3: "daily", 4: "weekly", 5: "monthly", 6: "yearly"}
sections, n = [], 0
for kind in kinds:
    for k in range(PER_KIND):
        due = START + dt.timedelta(seconds=int(W * (FIRST + (LAST - FIRST) * (k + 0.5) / PER_KIND)))
        due = due.replace(second=0)
        e = {"kind": kind, "notka": '"%s %d"' % (kinds[kind], k), "remindbefore": 0,
             "lastshowdate": stamp(START - dt.timedelta(minutes=1))}
        if kind == 1:
            e["date"], e["time"] = due.strftime("%Y-%m-%d"), due.strftime("%H:%M:00")
        elif kind == 2:
            e["minute"] = W // 60
            e["lastshowdate"] = stamp(due - dt.timedelta(minutes=W // 60))
        elif kind == 3:
            e["time"] = due.strftime("%H:%M:00")
        elif kind == 4:
            e["time"], e["dayofweek"] = due.strftime("%H:%M:00"), due.isoweekday()
        elif kind == 5:
            e["dayofmonth"] = MIDNIGHT.day
        else:
            e["month"], e["dayofmonth"] = MIDNIGHT.month, MIDNIGHT.day
        sections.append(e)
        n += 1
with open(os.path.join(prog, "timetable", "timetable.ini"), "wb") as f:
    out = "[TimeTable]\r\nCount=%d\r\n" % len(sections)
    for i, e in enumerate(sections):
        out += "[TT%d]\r\n" % i + "".join("%s=%s\r\n" % kv for kv in e.items())
    f.write(out.encode("cp1250"))


def shown():
    """lastshowdate by entry text."""
    try:
        text = open(os.path.join(prog, "timetable", "timetable.ini"), "rb").read().decode("cp1250")
    except OSError:
        return None
    result = {}
    for body in re.split(r"^\[TT\d+\]\r?$", text, flags=re.M)[1:]:
        notka = re.search(r"^notka=(.*?)\r?$", body, re.M)
        last = re.search(r"^lastshowdate=(.*?)\r?$", body, re.M)
        if notka:
            # Midnight may be written without its time.
            digits = [int(d) for d in re.findall(r"\d+", last.group(1))] if last else []
            result[notka.group(1)] = tuple(digits + [0] * (6 - len(digits)))
    return result


# A high display number of its own: test scripts on the same machine take the low ones.
for number in range(200 + os.getpid() % 400, 700):
    if os.path.exists("/tmp/.X%d-lock" % number):
        continue
    display = ":%d" % number
    xvfb = subprocess.Popen(["Xvfb", display, "-screen", "0", "1280x1024x24", "-nolisten", "tcp"],
                            stderr=subprocess.DEVNULL)
    for _ in range(50):
        if subprocess.run(["xdotool", "getdisplaygeometry"], env=dict(os.environ, DISPLAY=display),
                          capture_output=True).returncode == 0:
            break
        time.sleep(0.1)
    else:
        xvfb.terminate()
        continue
    break
else:
    sys.exit("no X server")
env = {k: v for k, v in os.environ.items()
       if k not in ("DBUS_SESSION_BUS_ADDRESS", "QT_QPA_PLATFORM", "WAYLAND_DISPLAY")}
env.update(HOME=home, XDG_RUNTIME_DIR=os.path.join(root, "run"),
           XDG_CONFIG_HOME=os.path.join(root, "config"), XDG_DATA_HOME=os.path.join(root, "data"),
           DISPLAY=display)
xenv = dict(os.environ, DISPLAY=display)
wrapper = subprocess.Popen(["faketime", "-f", "@%s x%d" % (stamp(START), SPEED),
                            os.path.join(prog, "notella")], env=env,
                           stdout=open(os.path.join(root, "out"), "w"),
                           stderr=open(os.path.join(root, "err"), "w"))
began = time.monotonic()


def elapsed():
    return time.monotonic() - began


def program_pid():
    # faketime runs the program as its child.
    for _ in range(300):
        if wrapper.poll() is not None:
            break
        for task in os.listdir("/proc"):
            if task.isdigit():
                try:
                    if open("/proc/%s/stat" % task).read().split(") ")[1].split()[1] == str(wrapper.pid):
                        return int(task)
                except (OSError, IndexError):
                    pass
        time.sleep(0.1)
    sys.exit("the program did not start: see %s/err" % root)


pid = program_pid()


def status_field(name):
    for line in open("/proc/%d/status" % pid):
        if line.startswith(name + ":"):
            return int(line.split()[1])
    return 0


def switches():
    total = 0
    for task in os.listdir("/proc/%d/task" % pid):
        try:
            for line in open("/proc/%d/task/%s/status" % (pid, task)):
                if "ctxt_switches" in line:
                    total += int(line.split()[1])
        except OSError:
            pass
    return total


def xdo(*args):
    return subprocess.run(["xdotool", *args], env=xenv, capture_output=True, text=True).stdout.split()


before = shown()
counts = {}
idle = {}
rss_minute = None
rss_trail = []  # (seconds, kB, alarms so far)
last_alarm = None
measuring = None
while elapsed() < DURATION:
    if wrapper.poll() is not None:
        sys.exit("the program ended after %.0f s: see %s/err" % (elapsed(), root))
    t = elapsed()
    # Idle stretches: before the first due moment and over the last part of the run.
    # Tracing wakes the program up itself: the waits are traced after the wake-ups are counted.
    for name, a, b, traced in (("start", DURATION * 0.02, DURATION * 0.02 + 10, False),
                               ("start timers", DURATION * 0.02 + 10, DURATION * 0.02 + 20, True),
                               ("end", DURATION - 24, DURATION - 14, False),
                               ("end timers", DURATION - 12, DURATION - 2, True)):
        if name not in idle and measuring is None and a <= t < b:
            trace = os.path.join(root, "poll-" + name.split()[0])
            tracer = subprocess.Popen(["strace", "-f", "-e", "trace=poll,ppoll", "-o", trace, "-p",
                                       str(pid)], stderr=subprocess.DEVNULL) if STRACE and traced else None
            measuring = (name, t, switches(), b, tracer, trace)
    if measuring and t >= measuring[3]:
        name, t0, s0, _, tracer, trace = measuring
        timers = {}
        if tracer:
            tracer.terminate()
            tracer.wait()
            # The clock library divides every wait by the speed: a timer's interval comes back
            # multiplied. Waits of 0 are its rounding, spinning until the sped-up clock catches up.
            for wait in re.findall(r"\], \d+, (\d+)[) ]", open(trace).read()):
                if int(wait) > 0:
                    ms = round(int(wait) * SPEED / 1000) * 1000
                    timers[ms] = timers.get(ms, 0) + 1
        idle[name] = ((switches() - s0) / (t - t0), status_field("Threads"),
                      last_alarm is None or last_alarm < t0, timers)
        measuring = None
    if rss_minute is None and t >= 60:
        rss_minute = status_field("VmRSS")
    if t >= 30 * (len(rss_trail) + 1):
        rss_trail.append((int(t), status_field("VmRSS"), sum(counts.values())))
    windows = xdo("search", "--all", "--onlyvisible", "--pid", str(pid), "--name",
                  "^Aktywowany wpis termnarza$")
    if not windows:
        time.sleep(0.05)
        continue
    w = windows[0]
    last_alarm = elapsed()
    xdo("windowfocus", "--sync", w)
    xdo("key", "--clearmodifiers", "Return")
    for _ in range(200):
        if w not in xdo("search", "--all", "--onlyvisible", "--pid", str(pid), "--name",
                        "^Aktywowany wpis termnarza$"):
            break
        time.sleep(0.02)
    else:
        sys.exit("an alarm window did not close on Return")
    now = shown()
    if now:
        for notka, last in now.items():
            if before.get(notka) != last:
                counts[notka] = counts.get(notka, 0) + 1
        before = now
rss_end = status_field("VmRSS")
subprocess.run(["kill", "-TERM", str(pid)])
try:
    wrapper.wait(10)
except subprocess.TimeoutExpired:
    subprocess.run(["kill", "-KILL", str(pid)])
xvfb.terminate()

expected = {e["notka"] for e in sections}
once = sum(1 for k in expected if counts.get(k) == 1)
more = sorted(k for k in expected if counts.get(k, 0) > 1)
missing = sorted(k for k in expected if k not in counts)
print("simulated %s .. %s at x%d over %d s; %d notes, %d entries (%d of each kind)"
      % (stamp(START), stamp(START + dt.timedelta(seconds=W)), SPEED, DURATION, NOTES,
         len(sections), PER_KIND))
print("alarms: %d acknowledged; entries opened once %d, more than once %d, not at all %d"
      % (sum(counts.values()), once, len(more), len(missing)))
if more:
    print("  more than once: " + ", ".join("%s (%d)" % (k, counts[k]) for k in more[:20]))
if missing:
    print("  not at all: " + ", ".join(missing[:20]))
print("last alarm at %.0f s of %d" % (last_alarm or 0, DURATION))
print("memory VmRSS: %s kB after the first minute, %d kB at the end, difference %+d kB"
      % (rss_minute, rss_end, rss_end - (rss_minute or 0)))
print("memory over the run (s: kB, alarms): " +
      ", ".join("%d: %d, %d" % r for r in rss_trail))
for name in ("start", "end"):
    if name in idle:
        rate, threads, clean, _ = idle[name]
        print("idle stretch at the %s: %.1f wake-ups/s, %d threads%s"
              % (name, rate, threads, "" if clean else " (an alarm came within it)"))
    if name + " timers" in idle and idle[name + " timers"][3]:
        print("  then timed waits by program-time interval: " +
              ", ".join("%d s x%d" % (ms // 1000, c)
                        for ms, c in sorted(idle[name + " timers"][3].items())))
ok = (once == len(expected) and rss_minute is not None and abs(rss_end - rss_minute) <= 2048)
print("files kept in " + root)
sys.exit(0 if ok else 1)
PY
