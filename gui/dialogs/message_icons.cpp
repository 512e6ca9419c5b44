#include "gui/dialogs/message_icons.h"

#include <QApplication>
#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <QProxyStyle>

#include <algorithm>

namespace tunvex {
namespace {

class DrawnMessageIcon : public QIconEngine {
  public:
    explicit DrawnMessageIcon(QStyle::StandardPixmap kind) : kind_(kind) {}

    QIconEngine* clone() const override { return new DrawnMessageIcon(kind_); }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        QPixmap drawn(size);
        drawn.fill(Qt::transparent);
        QPainter painter(&drawn);
        paint(&painter, drawn.rect(), mode, state);
        return drawn;
    }

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode, QIcon::State) override {
        const qreal side = std::min(rect.width(), rect.height());
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->translate(QRectF(rect).center() - QPointF(side, side) / 2);
        painter->scale(side / 32, side / 32);
        painter->setPen(Qt::NoPen);
        if (kind_ == QStyle::SP_MessageBoxWarning) {
            QPainterPath triangle;
            triangle.moveTo(16, 2);
            triangle.lineTo(31, 29);
            triangle.lineTo(1, 29);
            triangle.closeSubpath();
            painter->setBrush(QColor(0xF2, 0xB1, 0x1C));
            painter->drawPath(triangle);
            DrawMark(painter, Qt::black, 11);
        } else {
            painter->setBrush(kind_ == QStyle::SP_MessageBoxCritical ? QColor(0xD3, 0x2F, 0x2F)
                                                                     : QColor(0x2A, 0x6E, 0xC6));
            painter->drawEllipse(QRectF(1, 1, 30, 30));
            DrawMark(painter, Qt::white, 5);
        }
        painter->restore();
    }

  private:
    // The sign inside the shape, its top at top (of 32 units).
    void DrawMark(QPainter* painter, const QColor& color, qreal top) const {
        QPen pen(color, 3.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
        painter->setPen(pen);
        switch (kind_) {
            case QStyle::SP_MessageBoxInformation:
                painter->drawPoint(QPointF(16, top + 3));
                painter->drawLine(QPointF(16, top + 9.5), QPointF(16, top + 20));
                break;
            case QStyle::SP_MessageBoxQuestion: {
                QPainterPath hook;
                hook.moveTo(11.5, top + 6);
                hook.cubicTo(11.5, top, 20.5, top, 20.5, top + 6);
                hook.cubicTo(20.5, top + 10, 16, top + 10, 16, top + 14.5);
                painter->setBrush(Qt::NoBrush);
                painter->drawPath(hook);
                painter->drawPoint(QPointF(16, top + 20));
                break;
            }
            case QStyle::SP_MessageBoxCritical:
                painter->drawLine(QPointF(11, 11), QPointF(21, 21));
                painter->drawLine(QPointF(21, 11), QPointF(11, 21));
                break;
            default:
                painter->drawLine(QPointF(16, top), QPointF(16, top + 9));
                painter->drawPoint(QPointF(16, top + 14.5));
                break;
        }
    }

    QStyle::StandardPixmap kind_;
};

class MessageIconStyle : public QProxyStyle {
  public:
    QIcon standardIcon(StandardPixmap icon, const QStyleOption* option,
                       const QWidget* widget) const override {
        switch (icon) {
            case SP_MessageBoxInformation:
            case SP_MessageBoxWarning:
            case SP_MessageBoxCritical:
            case SP_MessageBoxQuestion:
                return QIcon(new DrawnMessageIcon(icon));
            default:
                return QProxyStyle::standardIcon(icon, option, widget);
        }
    }
};

}  // namespace

void InstallDrawnMessageIcons() {
    QApplication::setStyle(new MessageIconStyle);
}

}  // namespace tunvex
