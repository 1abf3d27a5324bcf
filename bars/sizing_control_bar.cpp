#include "sizing_control_bar.h"

#include <QMainWindow>
#include <QMouseEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QSettings>
#include <QStyle>
#include <QStyleOptionFrame>

namespace {

// The gripper band with its close button. Presses outside the button fall through to the dock
// widget, which drags the bar; a double-click toggles floating.
class GripperBand : public QWidget {
  public:
    explicit GripperBand(QDockWidget* bar) : QWidget(bar), bar_(bar) {
        setMouseTracking(true);
        setAttribute(Qt::WA_Hover);
    }

    bool Vertical() const { return vertical_; }
    void SetVertical(bool vertical) {
        vertical_ = vertical;
        updateGeometry();
        update();
    }

    // The close square: at the top end of a band running down the left edge, at the right end
    // of a band along the top edge.
    QRect CloseRect() const {
        const int s = CSizingControlBarG::kCloseSize;
        return vertical_ ? QRect((width() - s) / 2, 2, s, s)
                         : QRect(width() - s - 2, (height() - s) / 2, s, s);
    }

    QSize sizeHint() const override {
        const int g = bar_->isFloating()
                          ? qMax(CSizingControlBarG::kGripperWidth, fontMetrics().height() + 4)
                          : CSizingControlBarG::kGripperWidth;
        return vertical_ ? QSize(g, 40) : QSize(40, g);
    }
    QSize minimumSizeHint() const override { return sizeHint(); }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        const QColor light = palette().color(QPalette::Light);
        const QColor dark = palette().color(QPalette::Dark);
        const QRect close = CloseRect();
        // Two raised lines 3 pixels apart along the band, stopping short of the close button.
        auto raised = [&](QPoint a, QPoint b, bool alongX) {
            p.setPen(light);
            p.drawLine(a, b);
            p.setPen(dark);
            const QPoint d = alongX ? QPoint(0, 1) : QPoint(1, 0);
            p.drawLine(a + d, b + d);
        };
        if (vertical_) {
            const int top = close.bottom() + 4;
            const int x = width() / 2 - 2;
            raised(QPoint(x, top), QPoint(x, height() - 3), false);
            raised(QPoint(x + 3, top), QPoint(x + 3, height() - 3), false);
        } else {
            const int right = close.left() - 4;
            const int y = height() / 2 - 2;
            raised(QPoint(3, y), QPoint(right, y), true);
            raised(QPoint(3, y + 3), QPoint(right, y + 3), true);
        }
        if (pushed_ || hover_) {
            QStyleOptionFrame frame;
            frame.rect = close;
            frame.lineWidth = 1;
            frame.state = pushed_ ? QStyle::State_Sunken : QStyle::State_Raised;
            style()->drawPrimitive(QStyle::PE_Frame, &frame, &p, this);
        }
        const QIcon icon = style()->standardIcon(QStyle::SP_TitleBarCloseButton, nullptr, this);
        icon.paint(&p, close.adjusted(1, 1, -1, -1));
        if (bar_->isFloating() && !vertical_) {
            // A floating bar has no frame of its own: its caption goes into the band.
            QRect text = rect().adjusted(4, 0, -(close.width() + 8), 0);
            p.fillRect(text, palette().color(QPalette::Window));
            p.setPen(palette().color(QPalette::WindowText));
            p.drawText(text, Qt::AlignVCenter | Qt::AlignLeft, bar_->windowTitle());
        }
    }

    void mousePressEvent(QMouseEvent* e) override {
        if (e->button() == Qt::LeftButton && CloseRect().contains(e->position().toPoint())) {
            pushed_ = true;
            update();
            return;
        }
        e->ignore();  // the dock widget drags the bar
    }
    void mouseReleaseEvent(QMouseEvent* e) override {
        if (pushed_) {
            pushed_ = false;
            update();
            if (CloseRect().contains(e->position().toPoint()))
                bar_->hide();
            return;
        }
        e->ignore();
    }
    void mouseMoveEvent(QMouseEvent* e) override {
        const bool hover = CloseRect().contains(e->position().toPoint());
        if (hover != hover_) {
            hover_ = hover;
            update();
        }
        e->ignore();
    }
    void leaveEvent(QEvent*) override {
        if (hover_) {
            hover_ = false;
            update();
        }
    }
    void mouseDoubleClickEvent(QMouseEvent* e) override {
        if (!CloseRect().contains(e->position().toPoint())) {
            bar_->setFloating(!bar_->isFloating());
        }
    }

  private:
    QDockWidget* bar_;
    bool vertical_ = false;
    bool pushed_ = false;
    bool hover_ = false;
};

}  // namespace

CSizingControlBar::CSizingControlBar(const QString& title, QMainWindow* parent, int id)
    : CSizingControlBar(title, parent, id, kDefaultSize) {}

CSizingControlBar::CSizingControlBar(const QString& title, QMainWindow* parent, int id,
                                     QSize defaultSize)
    : QDockWidget(title, parent),
      id_(id),
      horz_(defaultSize),
      vert_(defaultSize),
      float_(defaultSize) {
    setObjectName(QStringLiteral("bar%1").arg(id));
    setAllowedAreas(Qt::AllDockWidgetAreas);
    setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable |
                QDockWidget::DockWidgetFloatable);
    connect(this, &QDockWidget::dockLocationChanged, this, [this] { SideChanged(); });
    connect(this, &QDockWidget::topLevelChanged, this, [this] { SideChanged(); });
    if (parent != nullptr) {
        // The separators between docked bars and the documents are the draggable edges.
        parent->setStyleSheet(
            QStringLiteral("QMainWindow::separator { width: %1px; height: %1px; }")
                .arg(kEdgeWidth));
    }
}

CSizingControlBar::DockSide CSizingControlBar::GetDockSide() const {
    if (isFloating()) {
        return DockSide::kFloating;
    }
    auto* window = qobject_cast<QMainWindow*>(parentWidget());
    const Qt::DockWidgetArea area =
        window != nullptr ? window->dockWidgetArea(const_cast<CSizingControlBar*>(this))
                          : Qt::NoDockWidgetArea;
    switch (area) {
        case Qt::TopDockWidgetArea:
        case Qt::BottomDockWidgetArea:
            return DockSide::kHorizontal;
        case Qt::LeftDockWidgetArea:
        case Qt::RightDockWidgetArea:
            return DockSide::kVertical;
        default:
            return DockSide::kFloating;
    }
}

QSize CSizingControlBar::MinimumFor(DockSide side) const {
    switch (side) {
        case DockSide::kHorizontal:
            return kMinHorzSize;
        case DockSide::kVertical:
            return kMinVertSize;
        case DockSide::kFloating:
            return kMinFloatSize;
    }
    return kMinFloatSize;
}

void CSizingControlBar::SetSizeFor(DockSide side, QSize size) {
    const QSize bounded = size.expandedTo(MinimumFor(side));
    switch (side) {
        case DockSide::kHorizontal:
            horz_ = bounded;
            break;
        case DockSide::kVertical:
            vert_ = bounded;
            break;
        case DockSide::kFloating:
            float_ = bounded;
            break;
    }
}

void CSizingControlBar::SideChanged() {
    const DockSide side = GetDockSide();
    setMinimumSize(MinimumFor(side));
    auto* window = qobject_cast<QMainWindow*>(parentWidget());
    switch (side) {
        case DockSide::kFloating:
            resize(float_);
            break;
        case DockSide::kHorizontal:
            if (window != nullptr)
                window->resizeDocks({this}, {horz_.height()}, Qt::Vertical);
            break;
        case DockSide::kVertical:
            if (window != nullptr)
                window->resizeDocks({this}, {vert_.width()}, Qt::Horizontal);
            break;
    }
}

void CSizingControlBar::resizeEvent(QResizeEvent* event) {
    QDockWidget::resizeEvent(event);
    if (isVisible()) {
        SetSizeFor(GetDockSide(), event->size());
    }
    emit Resized(event->size());
}

void CSizingControlBar::ReadSizes(const QString& profileName) {
    QSettings profile;
    profile.beginGroup(QStringLiteral("%1-SCBar-%2").arg(profileName).arg(id_));
    auto take = [&](const char* cx, const char* cy, QSize* size, QSize minimum) {
        const int w = profile.value(cx, size->width()).toInt();
        const int h = profile.value(cy, size->height()).toInt();
        if (w >= minimum.width())
            size->setWidth(w);
        if (h >= minimum.height())
            size->setHeight(h);
    };
    take("sizeHorzCX", "sizeHorzCY", &horz_, kMinHorzSize);
    take("sizeVertCX", "sizeVertCY", &vert_, kMinVertSize);
    take("sizeFloatCX", "sizeFloatCY", &float_, kMinFloatSize);
}

void CSizingControlBar::WriteSizes(const QString& profileName) const {
    QSettings profile;
    profile.beginGroup(QStringLiteral("%1-SCBar-%2").arg(profileName).arg(id_));
    profile.setValue("sizeHorzCX", horz_.width());
    profile.setValue("sizeHorzCY", horz_.height());
    profile.setValue("sizeVertCX", vert_.width());
    profile.setValue("sizeVertCY", vert_.height());
    profile.setValue("sizeFloatCX", float_.width());
    profile.setValue("sizeFloatCY", float_.height());
}

CSizingControlBarG::CSizingControlBarG(const QString& title, QMainWindow* parent, int id)
    : CSizingControlBar(title, parent, id), gripper_(new GripperBand(this)) {
    setTitleBarWidget(gripper_);
    connect(this, &QDockWidget::dockLocationChanged, this, [this] { UpdateGripperOrientation(); });
    connect(this, &QDockWidget::topLevelChanged, this, [this] { UpdateGripperOrientation(); });
}

void CSizingControlBarG::UpdateGripperOrientation() {
    // Docked at the top or bottom the gripper runs down the left edge; otherwise along the top.
    const bool vertical = GetDockSide() == DockSide::kHorizontal;
    setFeatures(vertical ? features() | QDockWidget::DockWidgetVerticalTitleBar
                         : features() & ~QDockWidget::DockWidgetVerticalTitleBar);
    static_cast<GripperBand*>(gripper_)->SetVertical(vertical);
}
