#include "mainwindow/form1.h"

namespace zerlin {

// TODO: not built yet.
void Form1::browse() {}
void Form1::join() {}
void Form1::tick() {}

}  // namespace zerlin
