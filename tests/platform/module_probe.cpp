// A module for the loader's test, built beside the test binary.
extern "C" __attribute__((visibility("default"))) int NotellaProbe() {
    return 42;
}
