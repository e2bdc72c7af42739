#include "video_surface.h"

#include <QEvent>
#include <QImage>
#include <QPainter>
#include <QResizeEvent>
#include <QWindow>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <mutex>

extern "C" {
#include <libavutil/pixfmt.h>
#include <libswscale/swscale.h>
}

namespace kestrel::widgets {

struct VideoSurface::Core {
    KmVideoWindow window{};
    VideoSurface* widget = nullptr;  // posted to, never touched, off the GUI thread

    // Written by the GUI thread on resize, read by the player thread.
    std::atomic<int> targetWidth{0};
    std::atomic<int> targetHeight{0};
    std::atomic<bool> repaintPending{false};
    std::atomic<uint64_t> presented{0};

    // Player thread only: the scaler for the current source and target.
    SwsContext* scaler = nullptr;
    int scalerSource[3] = {0, 0, 0};  // width, height, pixel format
    int scalerTarget[2] = {0, 0};
    QImage back;

    // Swapped by the player thread, drawn by the GUI thread.
    mutable std::mutex frontLock;
    QImage front;             // guarded by frontLock
    bool hasPicture = false;  // guarded by frontLock

    ~Core() { sws_freeContext(scaler); }

    void Present(uint32_t format, const uint8_t* pixels, int width, int height, int stride);
    void Clear();
    bool PrepareScaler(AVPixelFormat source, int width, int height, int targetW, int targetH);
    void AskRepaint();

    static void QW_CALLBACK PresentEntry(void* user, uint32_t format, const uint8_t* pixels,
                                         int32_t width, int32_t height, int32_t stride) {
        static_cast<Core*>(user)->Present(format, pixels, width, height, stride);
    }
    static void QW_CALLBACK ClearEntry(void* user) { static_cast<Core*>(user)->Clear(); }
};

bool VideoSurface::Core::PrepareScaler(AVPixelFormat source, int width, int height, int targetW,
                                       int targetH) {
    if (scaler != nullptr && scalerSource[0] == width && scalerSource[1] == height &&
        scalerSource[2] == source && scalerTarget[0] == targetW && scalerTarget[1] == targetH) {
        return true;
    }
    sws_freeContext(scaler);
    // Bilinear: the panes mostly shrink the picture, where it is both cheap
    // and free of the blockiness of the fast variant.
    scaler = sws_getContext(width, height, source, targetW, targetH, AV_PIX_FMT_BGRA, SWS_BILINEAR,
                            nullptr, nullptr, nullptr);
    scalerSource[0] = width;
    scalerSource[1] = height;
    scalerSource[2] = source;
    scalerTarget[0] = targetW;
    scalerTarget[1] = targetH;
    return scaler != nullptr;
}

void VideoSurface::Core::Present(uint32_t format, const uint8_t* pixels, int width, int height,
                                 int stride) {
    const int targetW = targetWidth.load(std::memory_order_relaxed);
    const int targetH = targetHeight.load(std::memory_order_relaxed);
    if (pixels == nullptr || width <= 0 || height <= 0 || stride <= 0 || targetW <= 0 ||
        targetH <= 0) {
        return;
    }
    // The library's planar picture is one buffer: Y, then U and V planes of
    // half the stride (rounded up) and half the rows (rounded up).
    const uint8_t* sourcePlanes[4] = {pixels, nullptr, nullptr, nullptr};
    int sourceStrides[4] = {stride, 0, 0, 0};
    AVPixelFormat source = AV_PIX_FMT_BGR0;
    if (format == KM_FORMAT_I420) {
        if (stride < width) {
            return;
        }
        source = AV_PIX_FMT_YUV420P;
        const int chromaStride = (stride + 1) / 2;
        sourcePlanes[1] = pixels + static_cast<size_t>(stride) * static_cast<size_t>(height);
        sourcePlanes[2] = sourcePlanes[1] +
                          static_cast<size_t>(chromaStride) * static_cast<size_t>((height + 1) / 2);
        sourceStrides[1] = chromaStride;
        sourceStrides[2] = chromaStride;
    } else if (format == KM_FORMAT_YUY2) {
        source = AV_PIX_FMT_YUYV422;
    }
    if (!PrepareScaler(source, width, height, targetW, targetH)) {
        return;
    }
    if (back.width() != targetW || back.height() != targetH) {
        back = QImage(targetW, targetH, QImage::Format_RGB32);
        if (back.isNull()) {
            return;
        }
    }
    uint8_t* targetPlanes[4] = {back.bits(), nullptr, nullptr, nullptr};
    const int targetStrides[4] = {static_cast<int>(back.bytesPerLine()), 0, 0, 0};
    sws_scale(scaler, sourcePlanes, sourceStrides, 0, height, targetPlanes, targetStrides);
    {
        std::lock_guard lock(frontLock);
        front.swap(back);
        hasPicture = true;
    }
    presented.fetch_add(1, std::memory_order_relaxed);
    AskRepaint();
}

void VideoSurface::Core::Clear() {
    {
        std::lock_guard lock(frontLock);
        hasPicture = false;
    }
    AskRepaint();
}

void VideoSurface::Core::AskRepaint() {
    if (repaintPending.exchange(true)) {
        return;  // the one pending repaint will show the newest picture
    }
    VideoSurface* target = widget;
    QMetaObject::invokeMethod(
        target,
        [target] {
            target->core_->repaintPending.store(false);
            target->update();
        },
        Qt::QueuedConnection);
}

VideoSurface::VideoSurface(QWidget* parent) : QWidget(parent), core_(std::make_unique<Core>()) {
    core_->widget = this;
    core_->window.user = core_.get();
    core_->window.formats = KM_FORMAT_I420 | KM_FORMAT_YUY2 | KM_FORMAT_RGB32;
    core_->window.present = &Core::PresentEntry;
    core_->window.clear = &Core::ClearEntry;
    // The picture covers the whole area: nothing underneath needs drawing.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(16, 16);
}

VideoSurface::~VideoSurface() = default;

KmVideoWindow* VideoSurface::Window() {
    return &core_->window;
}

void VideoSurface::SetStatusText(const QString& text) {
    if (text != statusText_) {
        statusText_ = text;
        update();
    }
}

void VideoSurface::SetInnerFrame(std::optional<QColor> color) {
    if (color != innerFrame_) {
        innerFrame_ = color;
        update();
    }
}

uint64_t VideoSurface::PicturesPresented() const {
    return core_->presented.load(std::memory_order_relaxed);
}

bool VideoSurface::HasPicture() const {
    std::lock_guard lock(core_->frontLock);
    return core_->hasPicture;
}

void VideoSurface::PublishTargetSize() {
    const qreal ratio = devicePixelRatioF();
    core_->targetWidth.store(std::max(1, static_cast<int>(std::lround(width() * ratio))));
    core_->targetHeight.store(std::max(1, static_cast<int>(std::lround(height() * ratio))));
}

void VideoSurface::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    PublishTargetSize();
}

void VideoSurface::paintEvent(QPaintEvent*) {
    ++paints_;
    QPainter painter(this);
    const QRect area = rect();
    {
        std::lock_guard lock(core_->frontLock);
        QImage& picture = core_->front;
        if (!core_->hasPicture || picture.isNull()) {
            painter.fillRect(area, Qt::black);
        } else {
            picture.setDevicePixelRatio(devicePixelRatioF());
            if (picture.deviceIndependentSize().toSize() == area.size()) {
                painter.drawImage(area.topLeft(), picture);
            } else {
                // Scaled for the size before a resize: stretch it until the
                // next picture arrives at the new size.
                painter.drawImage(area, picture);
            }
        }
    }
    if (!statusText_.isEmpty()) {
        painter.setPen(QColor(230, 230, 230));
        painter.drawText(area.adjusted(4, 4, -4, -4), Qt::AlignCenter | Qt::TextWordWrap,
                         statusText_);
    }
    if (innerFrame_) {
        painter.setPen(*innerFrame_);
        painter.drawRect(area.adjusted(0, 0, -1, -1));
    }
}

}  // namespace kestrel::widgets
