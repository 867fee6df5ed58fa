#include "notes/NotePrint.h"
#include "support/FakePlatform.h"

#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

QString Poppler(const QString& tool, QStringList args) {
    QProcess process;
    process.start(tool, args);
    EXPECT_TRUE(process.waitForFinished(30000)) << tool.toStdString();
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    return QString::fromUtf8(process.readAllStandardOutput());
}

struct TWord {
    int Page;
    QString Text;
    QRectF Box; // in points from the paper's top left corner
};

struct TPrinted {
    QSizeF Paper; // in points
    int Pages = 0;
    std::vector<TWord> Words;
};

// Every word of the PDF with its place, as pdftotext finds them.
TPrinted Words(const QString& pdf) {
    const QString html = Poppler("pdftotext", {"-bbox", pdf, "-"});
    TPrinted printed;
    static const QRegularExpression tag(
        R"re(<page width="([\d.]+)" height="([\d.]+)">|<word xMin="([\d.]+)" yMin="([\d.]+)" )re"
        R"re(xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)</word>)re");
    for (const auto& m : tag.globalMatch(html)) {
        if (!m.captured(1).isEmpty()) {
            printed.Paper = {m.captured(1).toDouble(), m.captured(2).toDouble()};
            ++printed.Pages;
            continue;
        }
        const QPointF from(m.captured(3).toDouble(), m.captured(4).toDouble());
        const QPointF to(m.captured(5).toDouble(), m.captured(6).toDouble());
        printed.Words.push_back({printed.Pages, m.captured(7), QRectF(from, to)});
    }
    return printed;
}

class NotePrint : public ::testing::Test {
protected:
    NotePrint() { Fake.Printing.OutputFile = Dir.filePath("note.pdf"); }
    TFakePlatform Fake;
    QTemporaryDir Dir;
};

} // namespace

TEST_F(NotePrint, QueuedUnderTheTitleAndReadsTitleEmptyLineAndPlainText) {
    QWidget note;
    PrintNote(&note, "Zakupy <b>", {"chleb & masło", "<i>mleko</i>"});
    EXPECT_EQ(Fake.Printing.Parents, QList<QWidget*>{&note});
    const QString pdf = Fake.Printing.OutputFile;
    EXPECT_TRUE(Poppler("pdfinfo", {pdf})
                    .contains(QRegularExpression("^Title: +Notella : Zakupy <b>$",
                                                 QRegularExpression::MultilineOption)));
    EXPECT_TRUE(
        Poppler("pdftotext", {pdf, "-"}).startsWith("Zakupy <b>\nchleb & masło\n<i>mleko</i>\n"));
    const TPrinted printed = Words(pdf);
    ASSERT_EQ(printed.Words.size(), 6u);
    const qreal textLine = printed.Words[5].Box.top() - printed.Words[2].Box.top();
    EXPECT_NEAR(printed.Words[2].Box.top() - printed.Words[0].Box.bottom(), textLine, 1)
        << "an empty line of text between the title and the text";
    const QString fonts = Poppler("pdffonts", {pdf});
    EXPECT_TRUE(
        fonts.contains(QRegularExpression("^\\S*Bold", QRegularExpression::MultilineOption)))
        << fonts.toStdString();
}

TEST_F(NotePrint, LongNoteFillsPagesAnInchFromTheEdgesWithoutPageNumbers) {
    QStringList lines;
    for (int i = 1; i <= 300; ++i)
        lines << QStringLiteral("w%1").arg(i);
    lines[150] = QString("dlugi ").repeated(60).trimmed(); // wraps at the right margin
    PrintNote(nullptr, "Zakupy", lines);

    const TPrinted printed = Words(Fake.Printing.OutputFile);
    ASSERT_GT(printed.Pages, 1);
    QStringList expected{"Zakupy"};
    for (const QString& line : lines)
        expected << line.split(' ');
    QStringList texts;
    for (const TWord& w : printed.Words)
        texts << w.Text;
    EXPECT_EQ(texts, expected) << "every line once, in order, and nothing else";
    EXPECT_EQ(printed.Words.back().Page, printed.Pages);

    const qreal inch = 72;
    const QRectF body(inch, inch, printed.Paper.width() - 2 * inch,
                      printed.Paper.height() - 2 * inch);
    const TWord& title = printed.Words.front();
    EXPECT_NEAR(title.Box.left(), inch, 1);
    EXPECT_NEAR(title.Box.top(), inch, 2);
    EXPECT_NEAR(title.Box.height(), 13 * 1.16, 2) << "13 points";
    EXPECT_NEAR(printed.Words[1].Box.height(), 8 * 1.16, 1.5) << "8 points";
    qreal right = 0;
    QStringList outside;
    for (const TWord& w : printed.Words) {
        if (!body.adjusted(-0.5, -0.5, 0.5, 0.5).contains(w.Box))
            outside << w.Text;
        right = std::max(right, w.Box.right());
    }
    EXPECT_EQ(outside, QStringList());
    EXPECT_GT(right, body.right() - 72) << "a long line runs to the right margin";
    for (size_t i = 1; i < printed.Words.size(); ++i) {
        if (printed.Words[i].Page != printed.Words[i - 1].Page) {
            EXPECT_GT(printed.Words[i - 1].Box.bottom(), body.bottom() - 20) << "page full";
        }
    }
}

TEST_F(NotePrint, CancelledDialogPrintsNothing) {
    Fake.Printing.Cancel = true;
    PrintNote(nullptr, "Zakupy", {"chleb"});
    EXPECT_EQ(Fake.Printing.Parents.size(), 1);
    EXPECT_FALSE(QFileInfo::exists(Fake.Printing.OutputFile));
}
