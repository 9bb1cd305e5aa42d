#pragma once
// A paint device that records what is drawn on it instead of rasterising:
// filled rectangles with their colour, text with its baseline point, font
// and clip rectangle, pictures with their target rectangle, and lines with
// their pen width. Page drawing is tested on these records, at any
// resolution, without depending on how a font's glyphs are rasterised.

#include <QColor>
#include <QFont>
#include <QImage>
#include <QList>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <QRect>
#include <QString>

struct RecordedFill
{
    QRect rect;
    QColor colour;
};
struct RecordedText
{
    QPointF baseline;
    QString text;
    QFont font;
    QColor colour;
    QRectF clip; // empty when drawn without clipping
};
struct RecordedImage
{
    QRectF target;
    QSize size;
};
struct RecordedLine
{
    QLineF line;
    qreal width;
};

class RecordingEngine : public QPaintEngine
{
public:
    RecordingEngine() : QPaintEngine(QPaintEngine::AllFeatures) {}
    bool begin(QPaintDevice *) override { return true; }
    bool end() override { return true; }
    void updateState(const QPaintEngineState &) override {}
    Type type() const override { return QPaintEngine::User; }
    void drawPixmap(const QRectF &r, const QPixmap &pm, const QRectF &) override { images.append({r, pm.size()}); }
    void drawImage(const QRectF &r, const QImage &image, const QRectF &, Qt::ImageConversionFlags) override
    {
        images.append({r, image.size()});
    }
    void drawRects(const QRect *rects, int count) override
    {
        for (int i = 0; i < count; ++i)
            fills.append({rects[i], painter()->brush().color()});
    }
    void drawRects(const QRectF *rects, int count) override
    {
        for (int i = 0; i < count; ++i)
            fills.append({rects[i].toRect(), painter()->brush().color()});
    }
    void drawTextItem(const QPointF &p, const QTextItem &ti) override
    {
        texts.append({p, ti.text(), ti.font(), painter()->pen().color(),
                      painter()->hasClipping() ? painter()->clipBoundingRect() : QRectF()});
    }
    void drawLines(const QLine *lines, int count) override
    {
        for (int i = 0; i < count; ++i)
            this->lines.append({QLineF(lines[i]), painter()->pen().widthF()});
    }
    void drawLines(const QLineF *lines, int count) override
    {
        for (int i = 0; i < count; ++i)
            this->lines.append({lines[i], painter()->pen().widthF()});
    }
    void drawPolygon(const QPointF *, int, PolygonDrawMode) override {}

    QList<RecordedFill> fills;
    QList<RecordedText> texts;
    QList<RecordedImage> images;
    QList<RecordedLine> lines;
};

class RecordingDevice : public QPaintDevice
{
public:
    RecordingDevice(QSize size, int dpi) : m_size(size), m_dpi(dpi) {}
    QPaintEngine *paintEngine() const override { return &m_engine; }
    RecordingEngine &records() { return m_engine; }

protected:
    int metric(PaintDeviceMetric m) const override
    {
        switch (m) {
        case PdmWidth:
            return m_size.width();
        case PdmHeight:
            return m_size.height();
        case PdmWidthMM:
            return int(m_size.width() * 25.4 / m_dpi);
        case PdmHeightMM:
            return int(m_size.height() * 25.4 / m_dpi);
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY:
            return m_dpi;
        case PdmNumColors:
            return 0x7fffffff;
        case PdmDepth:
            return 32;
        case PdmDevicePixelRatio:
            return 1;
        case PdmDevicePixelRatioScaled:
            return int(QPaintDevice::devicePixelRatioFScale());
        }
        return 0;
    }

private:
    QSize m_size;
    int m_dpi;
    mutable RecordingEngine m_engine;
};
