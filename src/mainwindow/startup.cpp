#include "mainwindow/form1.h"

namespace zerlin {

// TODO: not built yet.
void Form1::startUp(const std::vector<std::string>& /*arguments*/) {}

}  // namespace zerlin
