#include "mainwindow/form1.h"

namespace zerlin {

// TODO: not built yet.
void Form1::save() {}
void Form1::open() {}

}  // namespace zerlin
