#include "notes/NoteMail.h"
#include "support/FakePlatform.h"

#include <QRegularExpression>
#include <QUrlQuery>
#include <gtest/gtest.h>

TEST(NoteMail, SubjectIsTheTitleAndEveryLineEndsInCrLf) {
    const TNoteMailto mail = NoteMailto(QStringLiteral("50% off"), {"a", "b"});
    EXPECT_EQ(mail.Url, QStringLiteral("mailto:?subject=50%25 off&body=a%0D%0Ab%0D%0A"));
    EXPECT_FALSE(mail.Cut);
}

TEST(NoteMail, NoteTextCannotAddFieldsOrEndTheAddress) {
    const TNoteMailto mail = NoteMailto(QStringLiteral("t&to=z@w"), {"&cc=x@y", "#?"});
    EXPECT_EQ(mail.Url,
              QStringLiteral("mailto:?subject=t%26to=z@w&body=%26cc=x@y%0D%0A%23%3F%0D%0A"));
}

TEST(NoteMail, TooLongIsCutNeverInsideAnEscapeOrACharacter) {
    const QString head = QStringLiteral("mailto:?subject=t&body=");
    const QString exact = QString(MaxMailtoLength - head.size() - 6, QLatin1Char('x'));
    EXPECT_FALSE(NoteMailto("t", {exact}).Cut) << "exactly the longest text fits";
    EXPECT_TRUE(NoteMailto("t", {exact + "x"}).Cut);

    const QString emoji = QString::fromUtf8("\xF0\x9F\x98\x80");
    for (int shift = 0; shift < 3; ++shift) {
        const QString pad(shift, QLatin1Char('x'));
        const QString percents = pad + QString(600, QLatin1Char('%'));
        const QString emojis = pad + emoji.repeated(800);
        const std::pair<QString, QString> cases[] = {
            {percents, head + pad + QStringLiteral("%25").repeated(600) + "%0D%0A"},
            {emojis, head + emojis + "%0D%0A"}};
        for (const auto& [line, full] : cases) {
            const TNoteMailto mail = NoteMailto("t", {line});
            SCOPED_TRACE(mail.Url.right(4).toStdString());
            EXPECT_TRUE(mail.Cut);
            EXPECT_LE(mail.Url.size(), MaxMailtoLength);
            EXPECT_GE(mail.Url.size(), MaxMailtoLength - 2);
            EXPECT_TRUE(full.startsWith(mail.Url));
            EXPECT_FALSE(mail.Url.contains(QRegularExpression("%.?$")));
            EXPECT_FALSE(mail.Url.back().isHighSurrogate());
        }
    }
}

TEST(NoteMail, MailProgramReceivesOurEscapesOnceAndPolishLettersAsUtf8) {
    TFakePlatform fake;
    SendNoteByMail(nullptr, QStringLiteral("50% off"), {"&cc=x@y", "#?", "zażółć"});
    ASSERT_EQ(fake.Url.Opened.size(), 1);
    const QUrl url = fake.Url.Opened[0];
    EXPECT_EQ(QString(url.toEncoded()), "mailto:?subject=50%25%20off&body=%26cc=x@y%0D%0A%23%3F"
                                        "%0D%0Aza%C5%BC%C3%B3%C5%82%C4%87%0D%0A");
    const QUrlQuery query(url);
    EXPECT_EQ(query.queryItemValue("body", QUrl::FullyDecoded), "&cc=x@y\r\n#?\r\nzażółć\r\n");
    EXPECT_FALSE(query.hasQueryItem("cc"));
}

TEST(NoteMail, TooLongNoteIsSentCutAfterOneWarning) {
    TFakePlatform fake;
    fake.MessageBoxes.Answer(TMsgResult::OK);
    SendNoteByMail(nullptr, "t", {QString(MaxMailtoLength, 'x')});
    ASSERT_EQ(fake.MessageBoxes.Shown.size(), 1u);
    const TMessage& box = fake.MessageBoxes.Shown[0];
    EXPECT_EQ(box.Text, "Uwaga! Została przekroczona maksymalna długość\n\twysyłanej karteczki i "
                        "jej zawartość zostanie przycięta.\n\nJeżeli koniecznie chcesz załączyć "
                        "całą karteczkę przekopiuj jej zawartość ręcznie.");
    EXPECT_EQ(box.Caption, "Notella");
    EXPECT_EQ(box.Icon, TMsgIcon::Warning);
    ASSERT_EQ(fake.Url.Opened.size(), 1);
    EXPECT_EQ(fake.Url.Opened[0].toEncoded().size(), MaxMailtoLength);
}
