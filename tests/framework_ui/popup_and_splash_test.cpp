#include "Artwork.h"
#include "BasisDialog.h"
#include "InfoPopup.h"
#include "Splash.h"
#include "LayoutCheck.h"

#include <QApplication>
#include <QDialog>
#include <QMenu>
#include <QMessageBox>
#include <QFrame>
#include <QFontMetricsF>
#include <QPainter>
#include <QImage>
#include <QLabel>
#include <QMainWindow>
#include <QPointer>
#include <QScreen>

#include <gtest/gtest.h>

#include <set>

namespace {

int visibleTopLevels() {
    int count = 0;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->isVisible()) ++count;
    return count;
}

// More than one colour: something was painted.
bool isPainted(const QPixmap& pixmap) {
    const QImage image = pixmap.toImage();
    std::set<QRgb> colours;
    for (int y = 0; y < image.height(); y += 7)
        for (int x = 0; x < image.width(); x += 7) colours.insert(image.pixel(x, y));
    return colours.size() > 3;
}

class InfoPopupTest : public ::testing::Test {
protected:
    void TearDown() override { InfoPopupSchliessen(); }
};

TEST_F(InfoPopupTest, ShowsTheTextCentredWithItsMargins) {
    const int before = visibleTopLevels();
    InfoPopupZeigen("Loading parameters from the ECU.....");
    QWidget* popup = infoPopupWindow();
    ASSERT_NE(popup, nullptr);
    EXPECT_TRUE(popup->isVisible());
    EXPECT_TRUE(popup->windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_FALSE(popup->isModal());
    EXPECT_EQ(visibleTopLevels(), before + 1);

    auto* label = popup->findChild<QLabel*>();
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->text(), "Loading parameters from the ECU.....");
    EXPECT_EQ(label->font().pointSize(), 12);
    EXPECT_EQ(label->pos(), QPoint(30, 30));
    EXPECT_EQ(popup->size(), label->size() + QSize(60, 60));
    const QPoint offset = popup->geometry().center() - QGuiApplication::primaryScreen()->availableGeometry().center();
    EXPECT_LE(offset.manhattanLength(), 2);
}

TEST_F(InfoPopupTest, SecondShowKeepsTheFirstPopup) {
    InfoPopupZeigen("Saving parameters to the ECU.....");
    QWidget* first = infoPopupWindow();
    const int count = visibleTopLevels();
    InfoPopupZeigen("Other text");
    EXPECT_EQ(infoPopupWindow(), first);
    EXPECT_EQ(visibleTopLevels(), count);
    EXPECT_EQ(first->findChild<QLabel*>()->text(), "Saving parameters to the ECU.....");
}

TEST_F(InfoPopupTest, CloseDestroysAndCanRepeat) {
    InfoPopupZeigen("one");
    QPointer<QWidget> popup = infoPopupWindow();
    InfoPopupSchliessen();
    EXPECT_TRUE(popup.isNull());
    EXPECT_EQ(infoPopupWindow(), nullptr);
    InfoPopupSchliessen();  // harmless
    // Once closed, the next one shows again.
    InfoPopupZeigen("two");
    ASSERT_NE(infoPopupWindow(), nullptr);
    EXPECT_EQ(infoPopupWindow()->findChild<QLabel*>()->text(), "two");
}

TEST_F(InfoPopupTest, WindowsTextIsConverted) {
    InfoPopupZeigen("Pr\xFC" "fung");
    ASSERT_NE(infoPopupWindow(), nullptr);
    EXPECT_EQ(infoPopupWindow()->findChild<QLabel*>()->text(), QString::fromUtf8("Prüfung"));
}

TEST(Splash, LayoutAndPicture) {
    Tfrm_NSplash splash(nullptr, "KELT Diagnostics");
    EXPECT_FALSE(splash.isVisible());
    EXPECT_TRUE(splash.windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_TRUE(splash.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    splash.show();
    EXPECT_TRUE(splash.isVisible());
    EXPECT_EQ(splash.size(), QSize(455, 353));
    EXPECT_EQ(splash.Image1->size(), QSize(447, 345));
    EXPECT_TRUE(isPainted(splash.Image1->grab()));
    EXPECT_EQ(splash.Panel1->frameShadow(), QFrame::Sunken);
    EXPECT_EQ(layoutFaults(&splash), "");
    const QPoint offset = splash.geometry().center() - QGuiApplication::primaryScreen()->availableGeometry().center();
    EXPECT_LE(offset.manhattanLength(), 2);
    splash.close();
    EXPECT_FALSE(splash.isVisible());
}

TEST(Splash, CentredOnTheMainWindowWhenShown) {
    QMainWindow main;
    main.setGeometry(40, 60, 1000, 700);
    main.show();
    auto* splash = new Tfrm_NSplash(&main);
    EXPECT_TRUE(splash->isWindow());
    splash->show();
    const QPoint offset = splash->geometry().center() - main.geometry().center();
    EXPECT_LE(offset.manhattanLength(), 2);
    QPointer<Tfrm_NSplash> guard = splash;
    delete splash;
    EXPECT_TRUE(guard.isNull());
}

// The splash stays on top: it must not cover a dialog's buttons (the port dialog, the ECU's
// "initialization failed" question). Any dialog sends it away; menus and tool tips do not.
TEST(Splash, GetsOutOfTheWayOfAnyDialog) {
    QMainWindow main;
    main.show();
    auto* splash = new Tfrm_NSplash(&main);
    splash->show();
    QMenu menu(&main);
    menu.addAction(QStringLiteral("Item"));
    menu.popup(main.geometry().center());
    EXPECT_TRUE(splash->isVisible()) << "a menu is not a dialog";
    menu.close();

    QDialog dialog(&main);
    dialog.show();
    EXPECT_FALSE(splash->isVisible());
    dialog.close();
    delete splash;

    // A dialog without a parent, such as a message box at start, too.
    Tfrm_NSplash second(nullptr);
    second.show();
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Caption"), QStringLiteral("Text"));
    box.show();
    EXPECT_FALSE(second.isVisible());
}

TEST(Artwork, PicturesArePainted) {
    const QPixmap splash = PictureView(splashPicture("Program")).grab();
    EXPECT_EQ(splash.size(), QSize(447, 345));
    EXPECT_TRUE(isPainted(splash));
    // The name is part of the picture.
    EXPECT_NE(splash.toImage(), PictureView(splashPicture("Other")).grab().toImage());
    // The information window's picture carries the program's whole name, not its first letters.
    const QPixmap program = programPicture("Tarvik Diagnostic Software");
    EXPECT_EQ(program.size(), QSize(96, 96));
    EXPECT_TRUE(isPainted(program));
    EXPECT_NE(program.toImage(), programPicture("Tarvik Diagnostic Hardware").toImage());
    EXPECT_NE(program.toImage(), programPicture("Tarvik Diagn").toImage());
    const QPixmap error = PictureView(errorPicture()).grab();
    EXPECT_EQ(error.size(), QSize(96, 96));
    EXPECT_TRUE(isPainted(error));
}

// The rectangle of the pixels the painter inked (darker than the white ground).
QRect inked(const QImage& image) {
    QRect ink;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < 128) ink |= QRect(x, y, 1, 1);
    return ink;
}

struct PictureTextCase {
    int painterPixels;  // the size of the painter's own font
    qreal pixels;       // the size asked for
    bool bold;
};

class PictureText : public ::testing::TestWithParam<PictureTextCase> {};

// A capital stands as high as the asked size's capitals, in the middle of its box, whatever the
// painter's own font size; the painter's font is left as it was.
TEST_P(PictureText, StandsAtTheAskedSizeInTheMiddleOfItsBox) {
    const PictureTextCase c = GetParam();
    QImage image(120, 80, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    QFont own = painter.font();
    own.setPixelSize(c.painterPixels);
    painter.setFont(own);
    painter.setPen(Qt::black);
    const QRectF box(10, 10, 100, 60);
    drawPictureText(painter, box, Qt::AlignCenter, QStringLiteral("H"), c.pixels, c.bold);
    EXPECT_EQ(painter.font(), own);
    painter.end();

    QFont asked = own;
    asked.setPixelSize(qRound(c.pixels));
    asked.setBold(c.bold);
    const QRect ink = inked(image);
    ASSERT_FALSE(ink.isEmpty());
    EXPECT_NEAR(ink.height(), QFontMetricsF(asked).capHeight(), 1.5);
    EXPECT_NEAR(QRectF(ink).center().x(), box.center().x(), 1.5);
    EXPECT_NEAR(QRectF(ink).center().y(), box.center().y(), 2.5);
}

INSTANTIATE_TEST_SUITE_P(Sizes, PictureText,
                         ::testing::Values(PictureTextCase{12, 10, true}, PictureTextCase{12, 16, true},
                                           PictureTextCase{12, 80.0 / 3, true}, PictureTextCase{12, 44.0 / 3, false},
                                           PictureTextCase{20, 10, false}, PictureTextCase{9, 40, true}));

}  // namespace
