#include "framework/DataExchange.h"

#include "framework/DialogTemplate.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QSlider>

namespace fovella {

// Controls send no notifications while values move: a pushed text or
// position must not run the command that the user's typing or scrolling
// runs, which would pull the members in the middle of the push.

void DataExchange::Check(int id, int& value) const
{
    auto* button = Control<QAbstractButton>(m_dialog, id);
    if (m_pull) {
        value = button->isChecked() ? 1 : 0;
    } else {
        const QSignalBlocker quiet(button);
        button->setChecked(value != 0);
    }
}

void DataExchange::Text(int id, std::string& value) const
{
    auto* edit = Control<QLineEdit>(m_dialog, id);
    if (m_pull) {
        value = edit->text().toStdString();
    } else if (edit->text().toStdString() != value) {
        const QSignalBlocker quiet(edit);
        edit->setText(QString::fromStdString(value));
    }
}

void DataExchange::SliderPosition(int id, int& value) const
{
    auto* slider = Control<QSlider>(m_dialog, id);
    if (m_pull) {
        value = slider->value();
    } else {
        const QSignalBlocker quiet(slider);
        slider->setValue(value);
    }
}

void DataExchange::Radio(int firstId, int& index) const
{
    QButtonGroup* group = Control<QAbstractButton>(m_dialog, firstId)->group();
    if (m_pull) {
        index = group->checkedId();
        return;
    }
    if (QAbstractButton* button = group->button(index)) {
        const QSignalBlocker quiet(button);
        button->setChecked(true);
    }
}

}  // namespace fovella
