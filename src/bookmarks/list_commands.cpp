#include "mainwindow/form1.h"

namespace zerlin {

// TODO: not built yet.
void Form1::add() {}
void Form1::remove() {}
void Form1::pick() {}

}  // namespace zerlin
