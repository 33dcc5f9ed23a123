#include "ui/Pictures.h"

#include <QIconEngine>
#include <QPainter>
#include <QSvgRenderer>

#include <memory>

namespace velmar {

namespace {

// Renders the drawing for every size and mode asked; a disabled icon is drawn faded.
class SvgIconEngine final : public QIconEngine {
  public:
    explicit SvgIconEngine(std::shared_ptr<QSvgRenderer> renderer)
        : renderer_(std::move(renderer)) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override {
        painter->save();
        if (mode == QIcon::Disabled) {
            painter->setOpacity(0.4);
        }
        renderer_->render(painter, rect);
        painter->restore();
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return scaledPixmap(size, mode, state, 1.0);
    }

    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state,
                         qreal scale) override {
        QPixmap pixmap(size * scale);
        pixmap.fill(Qt::transparent);
        {
            QPainter painter(&pixmap);
            paint(&painter, QRect(QPoint(0, 0), pixmap.size()), mode, state);
        }
        pixmap.setDevicePixelRatio(scale);
        return pixmap;
    }

    // The sizes window managers and desktop files usually ask for; any other is drawn too.
    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override {
        QList<QSize> sizes;
        for (const int side : {16, 24, 32, 48, 64, 128, 256}) {
            sizes.append(QSize(side, side));
        }
        return sizes;
    }

    QIconEngine* clone() const override { return new SvgIconEngine(renderer_); }
    QString key() const override { return QStringLiteral("velmar-svg"); }
    bool isNull() override { return !renderer_->isValid(); }

  private:
    std::shared_ptr<QSvgRenderer> renderer_;
};

} // namespace

QIcon svgIcon(const QString& path) {
    auto renderer = std::make_shared<QSvgRenderer>(path);
    if (!renderer->isValid()) {
        return {};
    }
    return QIcon(new SvgIconEngine(std::move(renderer))); // the icon owns its engine
}

QPixmap svgPixmap(const QString& path, qreal devicePixelRatio) {
    QSvgRenderer renderer(path);
    if (!renderer.isValid()) {
        return {};
    }
    const qreal scale = devicePixelRatio > 0 ? devicePixelRatio : 1.0;
    QPixmap pixmap(renderer.defaultSize() * scale);
    pixmap.fill(Qt::transparent);
    {
        QPainter painter(&pixmap);
        renderer.render(&painter);
    }
    pixmap.setDevicePixelRatio(scale);
    return pixmap;
}

} // namespace velmar
