#include "menus/BcBarPopupMenu.h"

#include <QAction>
#include <QFontMetrics>
#include <gtest/gtest.h>

namespace {

const QColor FadeYellow(225, 225, 0);

// The tray menu's kind of items; the separator is third.
QList<QAction*> AddItems(QMenu& m) {
    QList<QAction*> items;
    items << m.addAction(QStringLiteral("O programie..."));
    items << m.addAction(QStringLiteral("Ustawienia..."));
    items << m.addSeparator();
    items << m.addAction(QStringLiteral("Uruchom przy starcie"));
    items.last()->setCheckable(true);
    items.last()->setChecked(true);
    items << m.addAction(QStringLiteral("Kalendarz\tWin+Shift+K"));
    items << m.addAction(QStringLiteral("Nowa karteczka"));
    m.setDefaultAction(items.last());
    return items;
}

// As a popup shows it: at its preferred size.
QImage Render(QMenu& m) {
    m.resize(m.sizeHint());
    return m.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

QRgb Faded(QRgb below, int d) {
    return qRgb(FadeChannel(qRed(below), FadeYellow.red(), d, 32),
                FadeChannel(qGreen(below), FadeYellow.green(), d, 32),
                FadeChannel(qBlue(below), FadeYellow.blue(), d, 32));
}

// The line against the row above it, which holds the same background.
void ExpectFadingSeparator(const QImage& image, const QRect& item) {
    const int y = item.top() + 4;
    for (int d : {0, 1, 16, 31, 32, item.width() / 2}) {
        const int left = item.left() + d, right = item.right() - d;
        EXPECT_EQ(image.pixel(left, y), Faded(image.pixel(left, y - 1), d)) << "left " << d;
        EXPECT_EQ(image.pixel(right, y), Faded(image.pixel(right, y - 1), d)) << "right " << d;
    }
    EXPECT_EQ(image.pixel(item.center().x(), y), FadeYellow.rgb());
    EXPECT_NE(image.pixel(item.center().x(), y + 1), FadeYellow.rgb());
}

} // namespace

TEST(BarMenu, TrayMenuShowsYellowBarWithCaptionNearBottomLeftAndItemsBesideIt) {
    TBcBarPopupMenu menu, barless;
    ConfigureTrayMenu(menu);
    ConfigureBarlessMenu(barless);
    const QList<QAction*> items = AddItems(menu), plainItems = AddItems(barless);
    const QImage image = Render(menu);
    Render(barless);

    const QRect bar = menu.BarRect();
    ASSERT_EQ(bar.width(), 25);
    EXPECT_EQ(image.pixel(bar.topLeft()), qRgb(255, 255, 0));
    EXPECT_EQ(image.pixel(bar.topRight()),
              GradientPixel(QColor(255, 255, 0), QColor(0, 0, 0), gsDiagonalLeftRight, 24, 0, 25,
                            bar.height()));

    // White caption pixels: only on the bar, ending 6 pixels above its bottom.
    QRect white;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x <= bar.right(); ++x)
            if (image.pixel(x, y) == qRgb(255, 255, 255))
                white |= QRect(x, y, 1, 1);
    ASSERT_FALSE(white.isEmpty());
    EXPECT_NEAR(white.bottom(), bar.bottom() - 6, 2);
    EXPECT_GT(white.height(), 3 * white.width());

    // Every item moves right by the bar and its gap; the menu grows by as much.
    for (int i = 0; i < items.size(); ++i) {
        EXPECT_EQ(menu.actionGeometry(items[i]).left(),
                  barless.actionGeometry(plainItems[i]).left() + 26);
        EXPECT_EQ(menu.actionGeometry(items[i]).height(),
                  barless.actionGeometry(plainItems[i]).height());
    }
    EXPECT_GT(menu.actionGeometry(items[0]).left(), bar.right());
    EXPECT_EQ(menu.width(), barless.width() + 26);
    ExpectFadingSeparator(image, menu.actionGeometry(items[2]));
}

TEST(BarMenu, BarlessMenuStartsItsItemsAtTheLeftEdge) {
    TBcBarPopupMenu menu;
    ConfigureBarlessMenu(menu);
    QMenu plain;
    const QList<QAction*> items = AddItems(menu), plainItems = AddItems(plain);
    const QImage image = Render(menu);
    Render(plain);
    EXPECT_TRUE(menu.BarRect().isNull());
    EXPECT_EQ(menu.BarPaintCount(), 0);
    for (int i = 0; i < items.size(); ++i)
        EXPECT_EQ(menu.actionGeometry(items[i]).left(), plain.actionGeometry(plainItems[i]).left());
    ExpectFadingSeparator(image, menu.actionGeometry(items[2]));
}

TEST(BarMenu, BarIsRepaintedOnlyWhenItsSizeOrLookChanges) {
    TBcBarPopupMenu menu;
    ConfigureTrayMenu(menu);
    const QList<QAction*> items = AddItems(menu);
    const QImage first = Render(menu);
    menu.setActiveAction(items[1]);
    EXPECT_NE(Render(menu), first); // the highlight was painted...
    menu.setActiveAction(items[4]);
    Render(menu);
    EXPECT_EQ(menu.BarPaintCount(), 1); // ...beside the same bar

    menu.addAction(QStringLiteral("Zamknij"));
    Render(menu);
    Render(menu);
    EXPECT_EQ(menu.BarPaintCount(), 2);

    const int left = menu.actionGeometry(items[0]).left();
    TBcBar wider = menu.Bar();
    wider.Width = 30;
    menu.SetBar(wider);
    Render(menu);
    EXPECT_EQ(menu.BarPaintCount(), 3);
    EXPECT_EQ(menu.actionGeometry(items[0]).left(), left + 5);

    // A new caption shows although no size changed.
    TBcBarCaption caption = menu.BarCaption();
    caption.Caption = QStringLiteral("Inny");
    menu.SetBarCaption(caption);
    Render(menu);
    EXPECT_EQ(menu.BarPaintCount(), 4);
}

TEST(BarMenu, ItemHeightsFollowTheirKind) {
    TBcBarPopupMenu menu;
    ConfigureTrayMenu(menu);
    QAction* plain = menu.addAction(QStringLiteral("Zwykła"));
    QAction* separator = menu.addSeparator();
    QAction* section = menu.addSection(QStringLiteral("Sekcja"));
    QAction* bold = menu.addAction(QStringLiteral("Domyślna"));
    menu.setDefaultAction(bold);
    Render(menu);
    QFont boldFont = menu.font();
    boldFont.setBold(true);
    EXPECT_EQ(menu.actionGeometry(plain).height(),
              std::max(16, QFontMetrics(menu.font()).height() + 6));
    EXPECT_EQ(menu.actionGeometry(bold).height(),
              std::max(16, QFontMetrics(boldFont).height() + 6));
    EXPECT_EQ(menu.actionGeometry(separator).height(), 12);
    EXPECT_EQ(menu.actionGeometry(section).height(), 14);

    QFont tiny = menu.font();
    tiny.setPixelSize(6);
    menu.setFont(tiny);
    Render(menu);
    EXPECT_EQ(menu.actionGeometry(plain).height(), 16);
}

TEST(BarMenu, UnusableBarSettingsNeitherHideItemsNorPaintABar) {
    TBcBarPopupMenu reference;
    QAction* first = AddItems(reference).first();
    ConfigureBarlessMenu(reference);
    Render(reference);
    const int edge = reference.actionGeometry(first).left();

    for (const auto& [width, space, left] :
         {std::tuple{0, 1, edge}, {-5, 1, edge}, {25, -10, edge + 25}}) {
        TBcBarPopupMenu menu;
        ConfigureTrayMenu(menu);
        TBcBar bar = menu.Bar();
        bar.Width = width;
        bar.Space = space;
        menu.SetBar(bar);
        QAction* a = AddItems(menu).first();
        Render(menu);
        EXPECT_EQ(menu.actionGeometry(a).left(), left) << width << ' ' << space;
        EXPECT_EQ(menu.BarPaintCount(), width > 0 ? 1 : 0) << width << ' ' << space;
    }
}

TEST(BarMenu, TearOffMenuKeepsBarAndFadingSeparators) {
    TBcBarPopupMenu menu;
    ConfigureTrayMenu(menu);
    menu.setTearOffEnabled(true);
    QAction* separator = AddItems(menu)[2];
    const QImage image = Render(menu);
    const QRect sep = menu.actionGeometry(separator);
    const int y = sep.top() + 4;
    EXPECT_EQ(image.pixel(menu.BarRect().topLeft()), qRgb(255, 255, 0));
    EXPECT_EQ(image.pixel(sep.left(), y), image.pixel(sep.left(), y - 1));
    EXPECT_EQ(image.pixel(sep.center().x(), y), FadeYellow.rgb());
    // Blended by alpha on this path: within a level or two of the exact ramp.
    const QRgb exact = Faded(image.pixel(sep.left() + 16, y - 1), 16);
    const QRgb got = image.pixel(sep.left() + 16, y);
    EXPECT_NEAR(qRed(got), qRed(exact), 2);
    EXPECT_NEAR(qBlue(got), qBlue(exact), 2);
}

TEST(BarMenu, TextSeparatorsGetTheirGradientAndPlainOnesAnEtchedLine) {
    TBcBarPopupMenu menu;
    ConfigureTrayMenu(menu);
    QAction* section = menu.addSection(QStringLiteral("Sekcja"));
    menu.addAction(QStringLiteral("Pozycja"));
    QImage image = Render(menu);
    QRect r = menu.actionGeometry(section);
    EXPECT_EQ(image.pixel(r.topLeft()), qRgb(128, 128, 128));
    EXPECT_EQ(image.pixel(r.bottomRight()),
              GradientPixel(QColor(128, 128, 128), QColor(192, 192, 192), gsHorizontal,
                            r.width() - 1, 0, r.width(), r.height()));

    menu.SetSeparators(TBcSeparators());
    image = Render(menu);
    EXPECT_EQ(image.pixel(r.left(), r.top() + 4), menu.palette().color(QPalette::Dark).rgb());
    EXPECT_EQ(image.pixel(r.right(), r.top() + 5), menu.palette().color(QPalette::Light).rgb());
}
