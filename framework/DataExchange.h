// Moves values between a dialog's controls and its members, in one
// direction per pass: pull (controls into members) or push (members into
// controls). A dialog lists its pairs once, in DoDataExchange, and both
// directions follow from that list.
#pragma once

#include <string>

class QWidget;

namespace fovella {

class DataExchange {
public:
    DataExchange(const QWidget& dialog, bool pull) : m_dialog(dialog), m_pull(pull) {}

    bool Pulling() const { return m_pull; }

    // A check box or a push-like toggle: 1 checked, 0 not.
    void Check(int id, int& value) const;
    // An edit box's text, UTF-8.
    void Text(int id, std::string& value) const;
    // A trackbar's position.
    void SliderPosition(int id, int& value) const;
    // The index of the checked button in the radio group that `firstId`
    // starts; -1 when none is checked.
    void Radio(int firstId, int& index) const;

private:
    const QWidget& m_dialog;
    bool m_pull;
};

}  // namespace fovella
