// The main dialog on the offscreen platform, driven through its controls
// with scripted platform services and real files in a scratch folder.
#pragma once

#include "ui/CCorrectorDlg.h"

#include "tests/support/TestSupport.h"
#include "tests/ui/ScriptedPlatformServices.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>

#include <gtest/gtest.h>

namespace fovella {

// Reaches what no control shows.
struct CorrectorDlgProbe {
    // Changes the focal text and the shown picture in the session and
    // pushes both into the controls in one pass, the text before the toggle.
    static void PushFocalAndShowOriginal(CCorrectorDlg& dialog, const std::string& focal, bool showOriginal)
    {
        dialog.m_session.SetFocalText(focal);
        dialog.m_session.SetShowOriginal(showOriginal);
        dialog.UpdateData(false);
    }
    static const DibImage* Source(const CCorrectorDlg& dialog) { return dialog.Session().Source().get(); }
    static const DibImage* Corrected(const CCorrectorDlg& dialog) { return dialog.Session().Corrected().get(); }
    static int ZoomIndex(const CCorrectorDlg& dialog) { return dialog.Session().ZoomIndex(); }
};

class CorrectorDlgTest : public testing::Test {
protected:
    void SetUp() override
    {
        dialog.Initialise();
        dialog.show();
        QApplication::processEvents();
    }
    template <class Widget = QWidget>
    Widget* Get(int id)
    {
        auto* widget = Control<Widget>(dialog, id);
        EXPECT_NE(widget, nullptr) << "control " << id;
        return widget;
    }
    QString Text(int id) { return Get<QLabel>(id)->text(); }
    void Click(int id) { Get<QAbstractButton>(id)->click(); }
    void PressExit() { Click(kExit); }
    // "&Open", answering the chooser with `path`.
    void Open(const std::string& path)
    {
        services.fileAnswers = {path};
        Click(kOpen);
    }
    // `data` dropped on the window. Qt delivers drops only inside a drag of
    // the window system's; the dialog's own handlers are called as that
    // delivery would.
    void Drop(const QMimeData& data)
    {
        QDragEnterEvent enter(QPoint(400, 300), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QDropEvent drop(QPointF(400, 300), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QObject& target = dialog;
        target.event(&enter);
        ASSERT_TRUE(enter.isAccepted());
        target.event(&drop);
    }
    // A file in `photos`, opened, its focal length typed as 5 mm and corrected.
    // The picture as the window holds it.
    DibImage OpenCorrected(const std::string& name)
    {
        const DibImage picture = test::WriteGradientFile(photos.File(name), 64, 48);
        Open(photos.File(name));
        Get<QLineEdit>(kFocalEdit)->setText("5");
        Click(kUndistort);
        return picture;
    }

    test::ScratchDir photos;
    test::ScriptedPlatformServices services;
    CCorrectorDlg dialog{services};
};

}  // namespace fovella
