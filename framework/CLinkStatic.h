// A static text that works as a web link: blue and underlined in its
// dialog's font, a hand cursor over the text itself (not over the rest of
// the control), and a click on the text opens the address in the browser.
#pragma once

#include <QFont>
#include <QSize>
#include <QWidget>

#include <string>

namespace fovella {

class PlatformServices;

class CLinkStatic : public QWidget {
public:
    CLinkStatic(const QString& text, PlatformServices& services, QWidget* parent);

    void SetLinkAddress(const std::string& address) { m_address = address; }
    const std::string& LinkAddress() const { return m_address; }
    const QString& DisplayText() const { return m_text; }

protected:
    void paintEvent(QPaintEvent*) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent*) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void MakeLinkFont();
    void MeasureIfNeeded();
    bool HitTest(QPoint point) const;

    PlatformServices& m_services;
    QString m_text;
    std::string m_address;
    QFont m_linkFont;
    QSize m_extent;
    bool m_fontMade = false;
    bool m_tracking = false;
    bool m_extentKnown = false;
};

}  // namespace fovella
