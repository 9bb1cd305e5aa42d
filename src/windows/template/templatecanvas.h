#pragma once
// TemplateCanvas: the designer's drawing of a strip template. It paints the
// strip with the views' scene, a millimetre grid and the selection, and is a
// small state machine over the template model: idle, moving, resizing,
// rubber band and drawing a section, on press, drag and release. Pointer
// positions become millimetres through one transform (the layout's detail
// scale times the zoom); snapping is the core's pure function; every change
// is one undo step of the model.

#include "strip/stripimage.h"
#include "template/snapping.h"
#include "template/templatemodel.h"

#include <QList>
#include <QPoint>
#include <QWidget>
#include <memory>

class TemplateCanvas : public QWidget
{
    Q_OBJECT

public:
    enum class Tool { Select, Section };
    enum class State { Idle, Moving, Resizing, Rubber, DrawingSection };

    explicit TemplateCanvas(tpl::TemplateModel &model, QWidget *parent = nullptr);

    void setZoom(double zoom);
    double zoom() const { return m_zoom; }
    void setTool(Tool tool) { m_tool = tool; }
    Tool tool() const { return m_tool; }
    tpl::SnapOptions &snap() { return m_snap; }
    State state() const { return m_state; }

    // The selected cells, or the selected section (-1 for none) when no cell is.
    const QList<tpl::CellRef> &selection() const { return m_selection; }
    int selectedSection() const { return m_section; }
    void selectCells(const QList<tpl::CellRef> &cells);
    void selectSection(int section);

    // The transform: sheet millimetres to widget pixels and back.
    QPointF toPixels(Fixed4 x, Fixed4 y) const;
    std::pair<Fixed4, Fixed4> toMm(const QPointF &p) const;
    QRectF pixelRect(const strip::MmRect &sheetRect) const;

    // Moves the selection by a step (arrow keys): cells, or the section.
    void moveSelection(Fixed4 dx, Fixed4 dy);

    QSize sizeHint() const override;

Q_SIGNALS:
    void selectionChanged();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void rebuild();
    strip::MmRect sheetBox(const tpl::CellRef &ref) const;
    strip::MmRect selectionBounds() const;
    QList<strip::MmRect> snapTargets() const;
    // The handle (0 top left, 1 top right, 2 bottom right, 3 bottom left) under p, or -1.
    int handleAt(const QPointF &p) const;
    strip::MmRect resizeTarget() const; // the box the handles belong to
    strip::MmRect resized(const strip::MmRect &r, Fixed4 dx, Fixed4 dy) const;
    tpl::CellRef cellAt(const QPointF &p) const;
    int sectionAt(const QPointF &p) const;
    void finishDrag(const QPointF &at);

    tpl::TemplateModel &m_model;
    std::unique_ptr<strip::StripScene> m_scene;
    strip::SheetGeometry m_geometry;
    double m_zoom = 1.0;
    Tool m_tool = Tool::Select;
    State m_state = State::Idle;
    tpl::SnapOptions m_snap;
    QList<tpl::CellRef> m_selection;
    int m_section = -1;
    // The drag: where it began, where it is, the handle held.
    QPointF m_pressAt, m_dragAt;
    int m_handle = -1;
};
