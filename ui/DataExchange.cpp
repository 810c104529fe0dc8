#include "ui/DataExchange.h"

#include "ui/DialogTemplate.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QSlider>

namespace fovella {

// A pushed edit text notifies its change, as typing does; a pushed check or
// slider position does not, since only the user's clicks and scrolls are
// commands.

void DataExchange::Check(int id, int& value) const
{
    auto* button = Control<QAbstractButton>(m_dialog, id);
    if (m_pull) {
        value = button->isChecked() ? 1 : 0;
    } else {
        button->setChecked(value != 0);
    }
}

void DataExchange::Text(int id, std::string& value) const
{
    auto* edit = Control<QLineEdit>(m_dialog, id);
    if (m_pull) {
        value = edit->text().toStdString();
    } else if (edit->text().toStdString() != value) {
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

}  // namespace fovella
