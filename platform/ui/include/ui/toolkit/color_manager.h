// The toolkit's colour manager: the colours its bars and captions are
// drawn with, by the system's colour indexes, taken from the application's
// palette (so a style sheet or a dark desktop palette carries over).
#pragma once

#include "ui/handle_types.h"

// The colour indexes the toolkit's users ask for.
#define COLOR_WINDOW 5
#define COLOR_WINDOWTEXT 8
#define COLOR_HIGHLIGHT 13
#define COLOR_HIGHLIGHTTEXT 14
#define COLOR_BTNFACE 15
#define COLOR_BTNSHADOW 16
#define COLOR_GRAYTEXT 17
#define COLOR_BTNTEXT 18
#define COLOR_3DHIGHLIGHT 20

class CXTPColorManager {
public:
    // The colour of index `index` (0x00BBGGRR): 5 the window background,
    // 8 its text, 13/14 the selection and its text, 15 the face of bars and
    // buttons, 16 their shadow, 17 greyed text, 18 button text, 20 the
    // light edge. Other indexes give the window colour of the palette.
    // Cheap: reads the application's palette.
    COLORREF GetColor(int index) const;
};

// The process's colour manager.
CXTPColorManager* XTPColorManager();
