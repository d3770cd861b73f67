// The yardstick of the start-up benchmark: the least a Qt Widgets program does to show one
// plain window of the main window's size. With "--text" the window holds one line of text as
// well, which shows what drawing any text at all costs (the font system's start-up).
#include <QApplication>
#include <QLabel>
#include <QWidget>
#include <cstring>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QWidget window;
    window.setFixedSize(514, 260);
    if (argc > 1 && std::strcmp(argv[1], "--text") == 0) {
        auto* label = new QLabel("Zerlin", &window);
        label->move(8, 8);
    }
    window.show();
    return app.exec();
}
