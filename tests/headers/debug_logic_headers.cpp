// Built with Qt Core alone: a widget header reached from these would fail the build.
#include "debug/debug_session.h"
#include "debug/live_data.h"

#ifdef QT_WIDGETS_LIB
#error "the debug page's logic headers must build without Qt Widgets"
#endif
