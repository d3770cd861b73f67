#include "app/main/form1_window.h"

#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QImageReader>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QWindow>
#include <algorithm>

#include "platform/qt/click_label.h"
#include "platform/qt/typed_length_validator.h"
#include "platform/qt/widgets.h"
#include "platform/qt/x11_taskbar.h"

// The resources live in a static library, whose initialiser the linker drops unless it is
// called; Q_INIT_RESOURCE must be used outside any namespace.
static void initZerlinResources() {
    Q_INIT_RESOURCE(resources);
}

namespace zerlin::app {

using qt::ClickLabel;

namespace {

// The artwork is PNG, read by Qt's own decoder: left to guess the format, the reader would
// first load every image format plugin installed, which costs start-up time and memory.
QImage readPng(const QString& path) {
    QImageReader reader(path, "png");
    reader.setAutoDetectImageFormat(false);
    return reader.read();
}

// The artwork for a screen of the given scale (device pixel ratio). At 1 only the plain
// rendering is read; above it the one rendered at twice the size (Qt's "@2x" name), scaled down
// smoothly for scales between, such as 1.5, where dropping single pixels would look ragged.
QPixmap picture(const QString& name, qreal ratio) {
    const QString path = QStringLiteral(":/images/%1.png").arg(name);
    QImage image;
    if (ratio > 1.0) {
        image = readPng(QStringLiteral(":/images/%1@2x.png").arg(name));
    }
    if (image.isNull()) {
        return QPixmap::fromImage(readPng(path));
    }
    image.setDevicePixelRatio(2.0);
    if (ratio < 2.0) {
        const QSize size = (QSizeF(image.size()) * (ratio / 2.0)).toSize();
        image = image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        image.setDevicePixelRatio(ratio);
    }
    return QPixmap::fromImage(std::move(image));
}

// The design's point sizes are at 96 dots per inch; pixel sizes keep the layout on screens
// of any density.
QFont fontOf(const QStringList& families, int pixelSize, bool bold = false) {
    QFont font;
    font.setFamilies(families);
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

QFont titleFont() {
    return fontOf({"Arial", "Liberation Sans"}, 13, true);
}
QFont captionFont() {
    return fontOf({"Tahoma", "DejaVu Sans"}, 11);
}
QFont buttonFont() {
    return fontOf({"Small Fonts", "DejaVu Sans"}, 9);
}

void setColours(QWidget& widget, const QColor& text, const QColor& base = QColor()) {
    QPalette palette = widget.palette();
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Text, text);
    if (base.isValid()) {
        palette.setColor(QPalette::Base, base);
    }
    widget.setPalette(palette);
}

// Where the waiting mark goes: at the row's right end.
QRect hourglassRect(const QRect& row) {
    const int height = std::max(6, row.height() - 6);
    const int width = height * 2 / 3;
    return {row.right() - width - 3, row.top() + (row.height() - height) / 2, width, height};
}

void drawHourglass(QPainter& painter, const QRect& glass, const QColor& colour) {
    const QPolygon shape(
        {glass.topLeft(), glass.topRight(), glass.bottomLeft(), glass.bottomRight()});
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(colour, 1));
    painter.setBrush(colour);
    painter.drawPolygon(shape);
    painter.restore();
}

// Rows painted from a fixed left margin, without the style's item padding, so the character
// cells stand where the skin's headings expect them.
class ListRowDelegate : public QStyledItemDelegate {
  public:
    static constexpr int margin = 2;
    static constexpr int markGap = 5;  // at least this between the row's text and the mark

    ListRowDelegate(QObject* parent, const Form1Window::RowPainter& rowPainter)
        : QStyledItemDelegate(parent), rowPainter_(rowPainter) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyleOptionViewItem opt = option;
        initStyleOption(&opt, index);
        const bool selected = opt.state & QStyle::State_Selected;
        painter->save();
        if (selected) {
            painter->fillRect(opt.rect, opt.palette.brush(QPalette::Highlight));
        }
        painter->setFont(opt.font);
        painter->setPen(opt.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
        QRect drawn;
        painter->drawText(opt.rect.adjusted(margin, 0, 0, 0),
                          Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, opt.text, &drawn);
        const int textRight = drawn.isValid() ? drawn.right() : opt.rect.left();
        // The mark of a row that waits for a slot takes the right end, where the row's text
        // leaves room for it (never over the text); the status keeps left of it.
        QStyleOptionViewItem statusOption = opt;
        if (!index.data(Form1Window::WaitingRole).toString().isEmpty()) {
            const QRect glass = hourglassRect(opt.rect);
            if (glass.left() - markGap > textRight) {
                drawHourglass(*painter, glass, painter->pen().color());
            }
            statusOption.rect.setRight(glass.left() - 3);
        }
        painter->restore();
        if (rowPainter_) {
            rowPainter_(*painter, statusOption, index, textRight, selected);
        }
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QStyleOptionViewItem opt = option;
        initStyleOption(&opt, index);
        const QFontMetrics metrics(opt.font);
        return {metrics.horizontalAdvance(opt.text) + 2 * margin, metrics.height()};
    }

  private:
    const Form1Window::RowPainter& rowPainter_;
};

// The button face squeezed to 56 pixels, for the word that sits between two buttons.
QPixmap narrowFace(const QPixmap& face) {
    const qreal ratio = face.devicePixelRatio();
    QPixmap narrow =
        face.scaled(QSize(56, 24) * ratio, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    narrow.setDevicePixelRatio(ratio);
    return narrow;
}

ClickLabel* makeLabel(QWidget* parent, const char* name, const QString& caption, const QRect& at,
                      const QFont& font, Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignTop) {
    auto* label = new ClickLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(at);
    label->setFont(font);
    label->setAlignment(alignment);
    // The caption is plain text: no rich text, no mnemonic.
    label->setTextFormat(Qt::PlainText);
    qt::QtLabelBox::setCaption(*label, caption);
    return label;
}

ClickLabel* makePicture(QWidget* parent, const char* name, const QPixmap& picture, const QRect& at,
                        const QString& accessibleName) {
    auto* image = new ClickLabel(parent);
    image->setObjectName(QString::fromLatin1(name));
    image->setGeometry(at);
    image->setPixmap(picture);
    image->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    image->setAccessibleName(accessibleName);
    image->setCursor(Qt::PointingHandCursor);
    return image;
}

QLineEdit* makeBox(QWidget* parent, const char* name, const QRect& at) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setGeometry(at);
    setColours(*box, Qt::white, QColor(64, 64, 64));
    return box;
}

}  // namespace

QFont Form1Window::listFont() {
    // Bundled, so that the columns line up wherever the program runs. Full hinting rounds the
    // advance of this face at 12 pixels to exactly 7; the default leaves fractions that drift.
    // Most desktops have the face installed already; loading the bundled copy there too would
    // only cost start-up time and half a megabyte.
    initZerlinResources();
    static const int loaded = QFontDatabase::hasFamily("DejaVu Sans Mono")
                                  ? -1
                                  : QFontDatabase::addApplicationFont(":/fonts/DejaVuSansMono.ttf");
    Q_UNUSED(loaded);
    QFont font = fontOf({"DejaVu Sans Mono", "Lucida Console", "Liberation Mono"}, 12);
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setHintingPreference(QFont::PreferFullHinting);
    font.setKerning(false);
    return font;
}

Form1Window::Form1Window(QWidget* parent) : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint) {
    initZerlinResources();
    artworkRatio_ = devicePixelRatioF();
    skin_ = picture("skin", artworkRatio_);
    setObjectName("Form1");
    setFixedSize(514, 260);
    setWindowIcon(QIcon(picture("icon", artworkRatio_)));
    setAttribute(Qt::WA_OpaquePaintEvent);

    Label1 = makeLabel(this, "Label1", "Zerlin", {8, 8, 225, 17}, titleFont());

    const QPixmap quit = picture("quit", artworkRatio_);
    Image3 = makePicture(this, "Image3", quit, {456, 6, 44, 18}, "QUIT");
    Image3->setToolTip("Quit");

    Label2[0] = makeLabel(this, "Label2_0", "BF1942.exe path", {16, 40, 161, 17}, captionFont());
    Label2[1] = makeLabel(this, "Label2_1", "Server IP && port", {16, 64, 161, 17}, captionFont());
    Label2[2] = makeLabel(this, "Label2_2", ":", {425, 65, 9, 17}, captionFont(),
                          Qt::AlignHCenter | Qt::AlignTop);
    for (ClickLabel* label : Label2) {
        setColours(*label, Qt::white);
    }

    Text1 = makeBox(this, "Text1", {232, 40, 193, 19});
    Text2 = makeBox(this, "Text2", {232, 64, 193, 19});
    Text3 = makeBox(this, "Text3", {432, 64, 65, 19});
    Text3->setValidator(new qt::TypedLengthValidator(*Text3, 5));

    List1 = new QListWidget(this);
    List1->setObjectName("List1");
    List1->setGeometry(7, 124, 499, 90);
    List1->setFont(listFont());
    List1->setSortingEnabled(false);
    List1->setSelectionMode(QAbstractItemView::SingleSelection);
    List1->setFrameStyle(QFrame::Box | QFrame::Plain);
    List1->setLineWidth(1);
    List1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    List1->setUniformItemSizes(true);
    List1->setItemDelegate(new ListRowDelegate(List1, rowPainter_));
    setColours(*List1, Qt::white, QColor(42, 43, 37));
    {
        QPalette palette = List1->palette();
        palette.setColor(QPalette::WindowText, QColor(20, 21, 17));  // the frame line
        palette.setColor(QPalette::Highlight, QColor(120, 128, 62));
        palette.setColor(QPalette::HighlightedText, Qt::white);
        List1->setPalette(palette);
    }
    List1->viewport()->installEventFilter(this);
    List1->installEventFilter(this);  // the menu key

    // The bottom row of buttons, and BROWSE beside the game path box: one button face each,
    // the caption label lying over its middle and lower part.
    const QPixmap face = picture("button", artworkRatio_);
    struct Button {
        ClickLabel*& image;
        const char* imageName;
        ClickLabel*& label;
        const char* labelName;
        const char* caption;
        QRect imageAt;
        QRect labelAt;
    };
    const Button buttons[] = {
        {Image1, "Image1", Label3, "Label3", "BROWSE", {432, 37, 68, 24}, {437, 44, 57, 17}},
        {Image4, "Image4", Label5, "Label5", "ADD", {16, 224, 68, 24}, {16, 232, 65, 17}},
        {Image5, "Image5", Label6, "Label6", "SAVE", {88, 224, 68, 24}, {88, 232, 65, 17}},
        {Image6, "Image6", Label7, "Label7", "OPEN", {160, 224, 68, 24}, {160, 232, 65, 17}},
        {Image8, "Image8", Label9, "Label9", "DELETE", {232, 224, 68, 24}, {232, 232, 65, 17}},
        {Image7, "Image7", Label8, "Label8", "OPTIONS", {360, 224, 68, 24}, {360, 232, 65, 17}},
        {Image2, "Image2", Label4, "Label4", "JOIN", {432, 224, 68, 24}, {432, 232, 65, 17}},
    };
    for (const Button& b : buttons) {
        b.image = makePicture(this, b.imageName, face, b.imageAt, QString::fromLatin1(b.caption));
        b.label = makeLabel(this, b.labelName, QString::fromLatin1(b.caption), b.labelAt,
                            buttonFont(), Qt::AlignHCenter | Qt::AlignTop);
        setColours(*b.label, Qt::white);
        b.label->setCursor(Qt::PointingHandCursor);
    }
    // SERVERS, in the space between DELETE and OPTIONS, which holds a face 56 pixels wide.
    Image9 = makePicture(this, "Image9", narrowFace(face), {302, 224, 56, 24}, "SERVERS");
    Label10 = makeLabel(this, "Label10", "SERVERS", {302, 232, 56, 17}, buttonFont(),
                        Qt::AlignHCenter | Qt::AlignTop);
    setColours(*Label10, Qt::white);
    Label10->setCursor(Qt::PointingHandCursor);
    Image9->setToolTip("Find a server (Ctrl+F)");
    Label10->setToolTip(Image9->toolTip());

    Timer1 = new QTimer(this);
    Timer1->setObjectName("Timer1");
    Timer1->setSingleShot(true);

    setTabOrder(Text1, Text2);
    setTabOrder(Text2, Text3);
    setTabOrder(Text3, List1);
}

void Form1Window::loadArtwork() {
    const qreal ratio = devicePixelRatioF();
    if (ratio == artworkRatio_) {
        return;
    }
    artworkRatio_ = ratio;
    skin_ = picture("skin", ratio);
    setWindowIcon(QIcon(picture("icon", ratio)));
    Image3->setPixmap(picture("quit", ratio));
    const QPixmap face = picture("button", ratio);
    for (ClickLabel* image : {Image1, Image2, Image4, Image5, Image6, Image7, Image8}) {
        image->setPixmap(face);
    }
    Image9->setPixmap(narrowFace(face));
    update();
}

void Form1Window::showCentred() {
    if (!shownBefore_) {
        shownBefore_ = true;
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            QRect frame(QPoint(), size());
            frame.moveCenter(screen->availableGeometry().center());
            move(frame.topLeft());
        }
        // The task bar is told before the window is mapped; afterwards it may not look again.
        create();
        qt::skipTaskbar(*this);
        // Moved to a screen of another scale, the window takes the artwork made for it.
        connect(windowHandle(), &QWindow::screenChanged, this, &Form1Window::loadArtwork);
        loadArtwork();
        Text1->setFocus(Qt::OtherFocusReason);
    }
    show();
    raise();
    activateWindow();
}

void Form1Window::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.drawPixmap(0, 0, skin_);
}

void Form1Window::closeEvent(QCloseEvent* event) {
    event->ignore();
    emit closeRequested();
}

void Form1Window::mousePressEvent(QMouseEvent* event) {
    event->accept();
    if (moveButton_ != Qt::NoButton) {
        return;
    }
    // The window manager's own move follows the pointer best, but X11 offers it for the left
    // button only, and refuses it without a window manager.
    if (event->button() == Qt::LeftButton && windowHandle() && windowHandle()->startSystemMove()) {
        return;
    }
    moveButton_ = event->button();
    moveOffset_ = event->globalPosition().toPoint() - pos();
}

void Form1Window::mouseMoveEvent(QMouseEvent* event) {
    event->accept();
    if (moveButton_ != Qt::NoButton && (event->buttons() & moveButton_)) {
        move(event->globalPosition().toPoint() - moveOffset_);
    }
}

void Form1Window::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    if (event->button() == moveButton_) {
        moveButton_ = Qt::NoButton;
    }
}

bool Form1Window::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ContextMenu &&
        (watched == List1 || watched == List1->viewport())) {
        auto* menu = static_cast<QContextMenuEvent*>(event);
        // The mouse names the row under it; the menu key, the selected row.
        QModelIndex row;
        if (menu->reason() == QContextMenuEvent::Mouse) {
            row = List1->indexAt(List1->viewport()->mapFromGlobal(menu->globalPos()));
        } else if (const QList<QListWidgetItem*> selected = List1->selectedItems();
                   !selected.isEmpty()) {
            row = List1->indexFromItem(selected.first());
        }
        if (row.isValid()) {
            const QRect at = List1->visualRect(row);
            emit rowMenuRequested(row.row(), menu->reason() == QContextMenuEvent::Mouse
                                                 ? menu->globalPos()
                                                 : List1->viewport()->mapToGlobal(at.center()));
        }
        return true;
    }
    if (watched != List1->viewport()) {
        return QWidget::eventFilter(watched, event);
    }
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonDblClick &&
        type != QEvent::MouseButtonRelease) {
        return false;
    }
    auto* mouse = static_cast<QMouseEvent*>(event);
    const bool belowRows = !List1->indexAt(mouse->position().toPoint()).isValid();
    if (type == QEvent::MouseButtonDblClick && mouse->button() == Qt::LeftButton) {
        emit listDoubleClicked();
    }
    // A press in the empty space below the rows keeps the selected row, as a list box does,
    // so that a double-click there picks it; Qt's list would clear the selection.
    if (belowRows) {
        if (type != QEvent::MouseButtonRelease) {
            List1->setFocus(Qt::MouseFocusReason);
        }
        return true;
    }
    return false;
}

}  // namespace zerlin::app
