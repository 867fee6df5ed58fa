#include "common/IniText.h"

#include "support/PrintQString.h"

#include <gtest/gtest.h>

TEST(IniText, EncodeMarksEveryKindOfLineBreakOnce) {
    EXPECT_EQ(EncodeIniText(""), QStringLiteral("\"\""));
    EXPECT_EQ(EncodeIniText("abc"), QStringLiteral("\"abc\""));
    EXPECT_EQ(EncodeIniText("ab\r\nc"), QStringLiteral("\"ab</NL/>c\""));
    EXPECT_EQ(EncodeIniText("ab\nc"), QStringLiteral("\"ab</NL/>c\""));
    EXPECT_EQ(EncodeIniText("ab\rc"), QStringLiteral("\"ab</NL/>c\""));
    // LF CR is two breaks, CR CR LF is two, and a break at either end is kept.
    EXPECT_EQ(EncodeIniText("a\n\rb"), QStringLiteral("\"a</NL/></NL/>b\""));
    EXPECT_EQ(EncodeIniText("a\r\r\nb"), QStringLiteral("\"a</NL/></NL/>b\""));
    EXPECT_EQ(EncodeIniText("\r\nx\r\n"), QStringLiteral("\"</NL/>x</NL/>\""));
    EXPECT_EQ(EncodeIniText("x\r"), QStringLiteral("\"x</NL/>\""));
    EXPECT_EQ(EncodeIniText("\n"), QStringLiteral("\"</NL/>\""));
    EXPECT_EQ(EncodeIniText(QString::fromUtf8("Zażółć \"gęślą\"")),
              QString::fromUtf8("\"Zażółć \"gęślą\"\""));
}

TEST(IniText, DecodeRestoresCrLfAndOneQuoteOnEachSide) {
    EXPECT_EQ(DecodeIniText("\"ab</NL/>c\""), QStringLiteral("ab\r\nc"));
    EXPECT_EQ(DecodeIniText("\"\""), QString());
    EXPECT_EQ(DecodeIniText(""), QString());
    EXPECT_EQ(DecodeIniText("plain"), QStringLiteral("plain"));
    EXPECT_EQ(DecodeIniText("\"open"), QStringLiteral("open"));
    EXPECT_EQ(DecodeIniText("close\""), QStringLiteral("close"));
    EXPECT_EQ(DecodeIniText("\"\"twice\"\""), QStringLiteral("\"twice\""));
    EXPECT_EQ(DecodeIniText("\""), QString());
    EXPECT_EQ(DecodeIniText("</NL/></NL/>"), QStringLiteral("\r\n\r\n"));
    EXPECT_EQ(DecodeIniText("a</NL/b"), QStringLiteral("a</NL/b"));
}

TEST(IniText, RoundTrips) {
    const QString texts[] = {
        QString(),
        QStringLiteral("jedna linia"),
        QStringLiteral("a\r\nb\r\n\r\nc"),
        QStringLiteral("\r\nna początku i na końcu\r\n"),
        QStringLiteral("\"w cudzysłowie\""),
        QStringLiteral("\"tylko z przodu"),
        QStringLiteral("tylko z tyłu\""),
        QStringLiteral("\""),
        QStringLiteral("x=1; [sekcja]"),
    };
    for (const QString& t : texts)
        EXPECT_EQ(DecodeIniText(EncodeIniText(t)), t) << t.toStdString();

    // Bare LFs and CRs come back as CR LF.
    EXPECT_EQ(DecodeIniText(EncodeIniText("a\nb\rc")), QStringLiteral("a\r\nb\r\nc"));
    // The mark itself cannot be told from an encoded break.
    EXPECT_EQ(DecodeIniText(EncodeIniText("a</NL/>b")), QStringLiteral("a\r\nb"));
    // A stored value never holds a raw break.
    const QString encoded = EncodeIniText("1\r\n2\n3\r4");
    EXPECT_FALSE(encoded.contains('\r'));
    EXPECT_FALSE(encoded.contains('\n'));
}

TEST(IniText, EditorTextAndCrLf) {
    EXPECT_EQ(ToCrLf("a\nb\n"), QStringLiteral("a\r\nb\r\n"));
    EXPECT_EQ(ToCrLf("a\r\nb"), QStringLiteral("a\r\nb"));
    EXPECT_EQ(ToCrLf("a\rb"), QStringLiteral("a\r\nb"));
    EXPECT_EQ(ToCrLf(""), QString());
    EXPECT_EQ(FromCrLf("a\r\nb\r\n"), QStringLiteral("a\nb\n"));
    EXPECT_EQ(FromCrLf("a\rb\nc"), QStringLiteral("a\nb\nc"));
    EXPECT_EQ(FromCrLf("\r\n\r\n"), QStringLiteral("\n\n"));

    const QString editor = QStringLiteral("pierwsza\n\ntrzecia\n");
    EXPECT_EQ(FromCrLf(ToCrLf(editor)), editor);
    EXPECT_EQ(FromCrLf(DecodeIniText(EncodeIniText(ToCrLf(editor)))), editor);
}
