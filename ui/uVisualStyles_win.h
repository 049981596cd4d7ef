// Whether visual styles are in effect for the application: the theme library exists, the
// application is themed, a theme is active and the common controls in use are version 6.0 or
// later. Windows 95/98/Me and 2000 have no theme library, so it is looked up at run time.
#pragma once

namespace ui {

bool VisualStylesInEffect();

}  // namespace ui
