#pragma once

#include <QLabel>

namespace zerlin::qt {

// A label or picture of the main window. It takes every mouse press, so that a press on it
// never reaches the window below (where a press starts a move), and reports a left click:
// press and release on it. A double-click counts as the one click its first half already
// gave.
class ClickLabel : public QLabel {
    Q_OBJECT

  public:
    explicit ClickLabel(QWidget* parent = nullptr);

  signals:
    void clicked();

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

  private:
    bool pressed_ = false;
    // Qt sends press, release, double-click, release: the last release is no new click.
    bool afterDoubleClick_ = false;
};

}  // namespace zerlin::qt
