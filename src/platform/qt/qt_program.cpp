#include "platform/qt/qt_program.h"

#include <cstdio>
#include <cstdlib>

namespace zerlin::qt {

void QtProgram::end() {
    // _Exit skips atexit handlers and static destructors, so flush what is buffered first.
    std::fflush(nullptr);
    std::_Exit(0);
}

}  // namespace zerlin::qt
