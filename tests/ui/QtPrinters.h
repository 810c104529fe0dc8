// Readable failure messages for the Qt values the window's tests compare.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

#include <ostream>

inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }
inline void PrintTo(const QRect& r, std::ostream* out)
{
    *out << "QRect(" << r.x() << ", " << r.y() << ", " << r.width() << ", " << r.height() << ")";
}
inline void PrintTo(const QSize& s, std::ostream* out) { *out << "QSize(" << s.width() << ", " << s.height() << ")"; }
inline void PrintTo(const QPoint& p, std::ostream* out) { *out << "QPoint(" << p.x() << ", " << p.y() << ")"; }
