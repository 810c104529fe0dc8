#include "framework/CLinkStatic.h"

#include "tests/ui/ScriptedPlatformServices.h"

#include <QApplication>
#include <QFontMetrics>
#include <QMouseEvent>

#include "tests/ui/QtPrinters.h"

#include <gtest/gtest.h>

namespace fovella {
namespace {

class LinkTest : public testing::Test {
protected:
    void SetUp() override
    {
        QFont font("DejaVu Sans");
        font.setPixelSize(11);
        dialog.setFont(font);
        link = new CLinkStatic("www.brennick.example", services, &dialog);
        link->setGeometry(10, 10, 200, 20);
        link->SetLinkAddress("https://www.brennick.example/");
        dialog.resize(300, 100);
        dialog.show();
        QApplication::processEvents();
        QFont underlined = font;
        underlined.setUnderline(true);
        textWidth = QFontMetrics(underlined).horizontalAdvance(link->DisplayText());
    }

    void Move(QPoint at)
    {
        QMouseEvent move(QEvent::MouseMove, QPointF(at), link->mapToGlobal(QPointF(at)), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(link, &move);
    }
    void Click(QPoint at)
    {
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(at), link->mapToGlobal(QPointF(at)), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(link, &press);
    }
    void Leave()
    {
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(link, &leave);
    }
    Qt::CursorShape Cursor() const { return link->cursor().shape(); }

    test::ScriptedPlatformServices services;
    QWidget dialog;
    CLinkStatic* link = nullptr;
    int textWidth = 0;
};

TEST_F(LinkTest, TheFirstMoveChangesNothingThenTheHandShowsOverTheTextOnly)
{
    link->grab();  // the first paint makes the font
    Move(QPoint(5, 5));
    EXPECT_EQ(Cursor(), Qt::ArrowCursor);
    Move(QPoint(6, 5));
    EXPECT_EQ(Cursor(), Qt::PointingHandCursor);
    Move(QPoint(textWidth + 5, 5));  // beside the text, inside the control
    EXPECT_EQ(Cursor(), Qt::ArrowCursor);
    Move(QPoint(textWidth - 1, 5));
    EXPECT_EQ(Cursor(), Qt::PointingHandCursor);
    Leave();
    EXPECT_EQ(Cursor(), Qt::ArrowCursor);
    Move(QPoint(6, 5));  // watching starts anew after a leave
    EXPECT_EQ(Cursor(), Qt::ArrowCursor);
}

TEST_F(LinkTest, AClickOnTheTextOpensTheAddressOnceAClickBesideItNothing)
{
    link->grab();
    Click(QPoint(3, 4));
    ASSERT_EQ(services.openedUrls.size(), 1u);
    EXPECT_EQ(services.openedUrls[0], "https://www.brennick.example/");
    Click(QPoint(textWidth + 3, 4));
    Click(QPoint(3, 19));
    EXPECT_EQ(services.openedUrls.size(), 1u);
    Click(QPoint(textWidth - 2, 2));
    EXPECT_EQ(services.openedUrls.size(), 2u);
}

TEST_F(LinkTest, BeforeTheFirstPaintNothingIsLive)
{
    CLinkStatic unpainted("www.brennick.example", services, nullptr);
    unpainted.resize(200, 20);
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(3, 3), QPointF(3, 3), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(&unpainted, &press);
    EXPECT_TRUE(services.openedUrls.empty());
}

TEST_F(LinkTest, IsDrawnBlueAndUnderlined)
{
    const QImage drawn = link->grab().toImage();
    int blue = 0, underlineRow = -1;
    for (int y = 0; y < drawn.height(); ++y) {
        int inRow = 0;
        for (int x = 0; x < drawn.width(); ++x) {
            const QColor c = drawn.pixelColor(x, y);
            if (c.blue() > 200 && c.red() < 120 && c.green() < 120) {
                ++blue;
                ++inRow;
            }
        }
        if (inRow > textWidth * 0.9)
            underlineRow = y;
    }
    EXPECT_GT(blue, 50);
    EXPECT_GE(underlineRow, 8);  // one row of blue across the whole text: the underline
}

}  // namespace
}  // namespace fovella
