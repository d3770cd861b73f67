#pragma once

#include <QPixmap>
#include <QPoint>
#include <QWidget>
#include <array>
#include <functional>
#include <utility>

class QLabel;
class QLineEdit;
class QListWidget;
class QModelIndex;
class QPainter;
class QStyleOptionViewItem;
class QTimer;

namespace zerlin::qt {
class ClickLabel;
}  // namespace zerlin::qt

namespace zerlin::app {

// The main window's widgets: a borderless, fixed-size skinned window with no task-bar button.
// A press of any mouse button on the bare background moves it. Its controls are children
// named like the core's controls, so tests and the wiring find them by object name.
class Form1Window : public QWidget {
    Q_OBJECT

  public:
    explicit Form1Window(QWidget* parent = nullptr);

    // A row's data: what the row waits for ("waiting for a slot"), drawn as a mark at the
    // row's right end; none on a row that waits for nothing.
    static constexpr int WaitingRole = Qt::UserRole + 15;

    // Draws what the assembly keeps in a row's data beside its text (the server's status), in
    // the row's rectangle right of textRight, never over the text.
    using RowPainter = std::function<void(QPainter& painter, const QStyleOptionViewItem& option,
                                          const QModelIndex& index, int textRight, bool selected)>;
    void setRowPainter(RowPainter painter) { rowPainter_ = std::move(painter); }

    // Shows the window in the centre of the screen, the game path box focused.
    void showCentred();

    // The font the bookmark list uses, whose 7-pixel cells line up under the skin's headings.
    static QFont listFont();

    qt::ClickLabel* Label1;
    std::array<qt::ClickLabel*, 3> Label2;
    qt::ClickLabel* Label3;
    qt::ClickLabel* Label4;
    qt::ClickLabel* Label5;
    qt::ClickLabel* Label6;
    qt::ClickLabel* Label7;
    qt::ClickLabel* Label8;
    qt::ClickLabel* Label9;
    qt::ClickLabel* Label10;  // SERVERS
    qt::ClickLabel* Image1;
    qt::ClickLabel* Image2;
    qt::ClickLabel* Image3;
    qt::ClickLabel* Image4;
    qt::ClickLabel* Image5;
    qt::ClickLabel* Image6;
    qt::ClickLabel* Image7;
    qt::ClickLabel* Image8;
    qt::ClickLabel* Image9;  // the face under SERVERS, narrower than the others
    QLineEdit* Text1;
    QLineEdit* Text2;
    QLineEdit* Text3;
    QListWidget* List1;
    QTimer* Timer1;

  signals:
    // A double-click anywhere in the list, on a row or below the rows.
    void listDoubleClicked();
    // The desktop asked the window to close (Alt+F4, say). With no other way back to a hidden
    // tool window, that ends the program as QUIT does.
    void closeRequested();
    // The context menu of a bookmark row: a right click on the row, or the menu key with the
    // row selected. The position is where the menu opens, in screen coordinates.
    void rowMenuRequested(int row, const QPoint& globalPos);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    RowPainter rowPainter_;

    // Reads the skin, the icon and the buttons' faces again when the screen's scale changed.
    void loadArtwork();

    QPixmap skin_;
    qreal artworkRatio_ = 0;
    bool shownBefore_ = false;
    // The button that moves the window by hand, while it is held.
    Qt::MouseButton moveButton_ = Qt::NoButton;
    QPoint moveOffset_;
};

}  // namespace zerlin::app
