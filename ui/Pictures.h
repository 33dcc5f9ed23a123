#pragma once
// The program's pictures are SVG drawings in the resources, rendered at the size and scale of
// the screen they are shown on, so they stay sharp on any display.

#include <QIcon>
#include <QPixmap>
#include <QString>

namespace velmar {

inline constexpr char kAppIconPicture[] = ":/velmar/pictures/velmar-toolkit.svg";
inline constexpr char kAboutPicture[] = ":/velmar/pictures/about.svg"; // bitmap 145

// An icon drawn from the SVG at whatever size is asked of it; null when the file is missing or
// not a drawing.
QIcon svgIcon(const QString& path);

// The drawing at its own size in device-independent pixels, rendered for `devicePixelRatio`;
// null when the file is missing or not a drawing.
QPixmap svgPixmap(const QString& path, qreal devicePixelRatio);

} // namespace velmar
