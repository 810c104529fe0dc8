#include "framework/DialogTemplate.h"

#include "framework/Artwork.h"
#include "framework/CLinkStatic.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QValidator>

#include <algorithm>

namespace fovella {

namespace {

// A group box as the templates draw it: the frame's top edge runs through
// the middle of the title, so that controls placed just under the title sit
// inside the frame.
class GroupFrame : public QGroupBox {
public:
    using QGroupBox::QGroupBox;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        const QFontMetrics metrics(font());
        const int top = title().isEmpty() ? 0 : metrics.height() / 2;
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(palette().color(QPalette::Mid));
        painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, top + 0.5, -0.5, -0.5), 2, 2);
        if (title().isEmpty())
            return;
        const QRect text(metrics.averageCharWidth() + 2, 0, metrics.horizontalAdvance(title()) + 4, metrics.height());
        painter.fillRect(text, palette().brush(QPalette::Window));
        style()->drawItemText(&painter, text, Qt::AlignCenter, palette(), isEnabled(), title(),
                              QPalette::WindowText);
    }
};

// MulDiv(units, base, divisor), rounded half away from zero.
int ToPixels(int units, int base, int divisor)
{
    const long product = long(units) * base;
    return int(product >= 0 ? (product + divisor / 2) / divisor : (product - divisor / 2) / divisor);
}

// An edit box that does not scroll its text: typing stops when the box is
// full, as in an edit control without automatic horizontal scrolling.
class FitWidthValidator : public QValidator {
public:
    explicit FitWidthValidator(QLineEdit& edit) : QValidator(&edit), m_edit(edit) {}

    State validate(QString& input, int&) const override
    {
        QStyleOptionFrame option;
        option.initFrom(&m_edit);
        const int room = m_edit.style()->subElementRect(QStyle::SE_LineEditContents, &option, &m_edit).width() -
                         m_edit.textMargins().left() - m_edit.textMargins().right() - 4;
        return m_edit.fontMetrics().horizontalAdvance(input) <= room ? Acceptable : Invalid;
    }

private:
    QLineEdit& m_edit;
};

QPushButton* MakeButton(QWidget& dialog, const ControlTemplate& control)
{
    auto* button = new QPushButton(QString::fromUtf8(control.text), &dialog);
    // Enter is the dialog's to handle: no button becomes the default on focus.
    button->setAutoDefault(false);
    button->setDefault(control.kind == ControlKind::DefaultButton);
    return button;
}

// The radio group that Radio controls join: the last one started.
QWidget* MakeRadio(QWidget& dialog, const ControlTemplate& control, QButtonGroup*& group)
{
    auto* radio = new QRadioButton(QString::fromUtf8(control.text), &dialog);
    if (control.kind == ControlKind::RadioGroupStart || !group)
        group = new QButtonGroup(&dialog);
    group->addButton(radio, int(group->buttons().size()));
    return radio;
}

QWidget* MakeControl(QWidget& dialog, const ControlTemplate& control, PlatformServices& services,
                     QButtonGroup*& radioGroup)
{
    const QString text = QString::fromUtf8(control.text);
    switch (control.kind) {
    case ControlKind::GroupBox:
        return new GroupFrame(text, &dialog);
    case ControlKind::Bitmap:
    case ControlKind::SunkenBitmap: {
        auto* label = new QLabel(&dialog);
        const QRect box = DialogUnitsToPixels(control.x, control.y, control.width, control.height);
        label->setPixmap(LoadBitmapResource(text.toInt(), box.size()));
        if (control.kind == ControlKind::SunkenBitmap)
            label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        return label;
    }
    case ControlKind::Label:
    case ControlKind::CentredLabel: {
        auto* label = new QLabel(text, &dialog);
        label->setTextFormat(Qt::PlainText);
        label->setAlignment((control.kind == ControlKind::CentredLabel ? Qt::AlignHCenter : Qt::AlignLeft) |
                            Qt::AlignTop);
        return label;
    }
    case ControlKind::Link:
        return new CLinkStatic(text, services, &dialog);
    case ControlKind::PushButton:
    case ControlKind::DefaultButton:
        return MakeButton(dialog, control);
    case ControlKind::PushLikeCheckBox: {
        QPushButton* button = MakeButton(dialog, control);
        button->setCheckable(true);
        return button;
    }
    case ControlKind::CheckBox:
        return new QCheckBox(text, &dialog);
    case ControlKind::RadioGroupStart:
    case ControlKind::Radio:
        return MakeRadio(dialog, control, radioGroup);
    case ControlKind::Edit:
        return new QLineEdit(&dialog);
    case ControlKind::FixedEdit: {
        auto* edit = new QLineEdit(&dialog);
        edit->setValidator(new FitWidthValidator(*edit));
        return edit;
    }
    case ControlKind::Icon:
        return new QLabel(&dialog);
    case ControlKind::Trackbar: {
        auto* slider = new QSlider(Qt::Horizontal, &dialog);
        slider->setRange(0, 100);
        slider->setPageStep(20);  // a fifth of the range, as the trackbar pages
        slider->setTickPosition(QSlider::NoTicks);
        return slider;
    }
    case ControlKind::ProgressBar: {
        auto* bar = new QProgressBar(&dialog);
        bar->setRange(0, 100);
        bar->setValue(0);
        bar->setTextVisible(false);
        return bar;
    }
    case ControlKind::BlackFrame: {
        auto* frame = new QFrame(&dialog);
        frame->setFrameStyle(QFrame::Box | QFrame::Plain);
        QPalette palette = frame->palette();
        palette.setColor(QPalette::WindowText, Qt::black);
        frame->setPalette(palette);
        return frame;
    }
    }
    return nullptr;
}

bool GrowsToItsText(ControlKind kind)
{
    switch (kind) {
    case ControlKind::Label:
    case ControlKind::CheckBox:
    case ControlKind::RadioGroupStart:
    case ControlKind::Radio:
        return true;
    default:
        return false;
    }
}

}  // namespace

QRect DialogUnitsToPixels(int x, int y, int width, int height)
{
    const int left = ToPixels(x, 6, 4), top = ToPixels(y, 13, 8);
    const int right = ToPixels(x + width, 6, 4), bottom = ToPixels(y + height, 13, 8);
    return QRect(left, top, right - left, bottom - top);
}

QFont DialogFont()
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(11);
    // DejaVu Sans is wider than the reference font; condensed, the texts
    // fit the controls they were written for.
    font.setStretch(84);
    return font;
}

void CreateControls(QWidget& dialog, const std::vector<ControlTemplate>& controls,
                    PlatformServices& services)
{
    QButtonGroup* radioGroup = nullptr;
    for (const ControlTemplate& control : controls) {
        QWidget* widget = MakeControl(dialog, control, services, radioGroup);
        // The id is the control's object name, so that any Qt tool finds it.
        if (control.id != kNoControlId)
            widget->setObjectName(QString::number(control.id));
        QRect box = DialogUnitsToPixels(control.x, control.y, control.width, control.height);
        // The templates were measured in a narrower font: a left-aligned
        // text that does not fit its box grows to the right rather than lose
        // its last letters.
        if (GrowsToItsText(control.kind))
            box.setWidth(std::max(box.width(), widget->sizeHint().width()));
        widget->setGeometry(box);
    }
}

QWidget* FindControl(const QWidget& dialog, int id)
{
    return dialog.findChild<QWidget*>(QString::number(id), Qt::FindDirectChildrenOnly);
}

void EnableControl(const QWidget& dialog, int id, bool enable)
{
    if (QWidget* control = FindControl(dialog, id))
        control->setEnabled(enable);
}

}  // namespace fovella
