// Dialogs laid out as their templates say: every control at its position in
// dialog units, with its numeric id, kind and text. A dialog unit is the
// reference font's average character width / 4 across (1.5 px) and its
// height / 8 down (1.625 px), so a 677 x 385 template has a 1016 x 626
// client area.
#pragma once

#include <QRect>
#include <QWidget>

#include <vector>

namespace fovella {

class PlatformServices;

enum class ControlKind {
    GroupBox,
    Bitmap,        // text: the bitmap resource's number
    SunkenBitmap,
    Label,
    CentredLabel,
    Link,          // a CLinkStatic showing its text
    PushButton,
    DefaultButton,
    CheckBox,
    PushLikeCheckBox,
    RadioGroupStart,  // a radio button that starts a group; the following
    Radio,            // Radio controls belong to it, in template order
    Edit,          // scrolls its text horizontally as the user types
    FixedEdit,     // does not scroll: typing stops when the box is full
    Icon,          // an icon the dialog sets when it opens
    Trackbar,      // horizontal, 0 to 100, no tick marks
    ProgressBar,   // 0 to 100, no text of its own
    BlackFrame,
};

// Controls without an id carry this one, as in the templates.
constexpr int kNoControlId = -1;

struct ControlTemplate {
    int id;
    ControlKind kind;
    const char* text;
    int x, y, width, height;  // dialog units
};

// A rectangle in dialog units as pixels: each edge is converted on its own
// and rounded, as the Windows dialog manager does.
QRect DialogUnitsToPixels(int x, int y, int width, int height);

// The font the templates are measured in: the reference font's 6 x 13 pixel
// cell, whatever the desktop's default.
QFont DialogFont();

// Creates the controls as children of `dialog`, in template order (which is
// also their stacking and tab order). Links open their address through
// `services`.
void CreateControls(QWidget& dialog, const std::vector<ControlTemplate>& controls,
                    PlatformServices& services);

// The control with `id` (its object name); null when the dialog has none.
QWidget* FindControl(const QWidget& dialog, int id);

template <class Widget>
Widget* Control(const QWidget& dialog, int id)
{
    return dynamic_cast<Widget*>(FindControl(dialog, id));
}

// Enables or disables one control; a missing id is ignored.
void EnableControl(const QWidget& dialog, int id, bool enable);

}  // namespace fovella
