// The program's pictures, drawn in code so that they scale to any size and
// need no image files: the maker's logo (bitmaps 135 and 136) and the
// program's icon (icon 128), a lens whose grid is bent on one side and
// straight on the other.
#pragma once

#include <QIcon>
#include <QPixmap>

namespace fovella {

enum : int { kLogoBitmap = 135, kAboutBitmap = 136 };

// The bitmap resource `id` drawn at `size`; an empty pixmap for another id.
QPixmap LoadBitmapResource(int id, QSize size);

// The window and desktop icon, at the sizes a desktop asks for.
QIcon ApplicationIcon();

// The icon alone at one size, for installing it as a file.
QImage ApplicationIconImage(int size);

}  // namespace fovella
