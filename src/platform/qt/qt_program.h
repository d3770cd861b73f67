#pragma once

#include "platform/system.h"

namespace zerlin::qt {

// Ends the process at once with status 0: no event handler, timer or destructor runs after it,
// and it works before the event loop has started too.
class QtProgram : public Program {
  public:
    [[noreturn]] void end() override;
};

}  // namespace zerlin::qt
