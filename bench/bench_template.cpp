// The template designer's budgets: moving or resizing 100 selected cells by
// one step, redraw included (under 16 ms), and opening, checking and saving
// a template of 100 cells (under 20 ms each). The reference of the same run
// is drawing the same strip once (renderStrip, detail view).

#include "platform/fonts.h"
#include "platform/textfile.h"
#include "register/series.h"
#include "strip/stripimage.h"
#include "template/templatemodel.h"
#include "windows/template/templatecanvas.h"
#include "windows/template/tftemplatedesigner.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

double median(const std::function<void()> &step, int runs = 40)
{
    std::vector<double> ms;
    for (int r = 0; r < runs + 1; ++r) {
        QElapsedTimer t;
        t.start();
        step();
        if (r > 0)
            ms.push_back(t.nsecsElapsed() / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    installFontSubstitutions();

    tpl::GridSpec g;
    g.columns = 4;
    g.rows = 25;
    g.keyWidth = Fixed4::fromInt(30);
    g.keyHeight = Fixed4::fromInt(6);
    g.pitchX = Fixed4::fromInt(34);
    g.pitchY = Fixed4::fromRaw(75000);
    const QStringList lines = tpl::gridTemplate(g, series::caption(3), Fixed4::fromInt(5), Fixed4::fromInt(5));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bench.tpl"));
    textfile::write(path, lines);

    const RegisterLines preview(tpl::previewRegister(lines, series::caption(3), QStringLiteral("bench")));
    const double reference = median([&] { strip::renderStrip(preview, tpl::PreviewHeaderLine, strip::View::Detail); });

    TFTemplateDesigner designer(templates::Folders(), nullptr);
    designer.show();
    designer.model().load(path);
    TemplateCanvas &canvas = designer.canvas();
    canvas.selectCells(designer.model().allCells());
    QApplication::processEvents();
    const double move = median([&] {
        QTest::keyClick(&canvas, Qt::Key_Right);
        canvas.repaint();
    });
    const double resize = median([&] {
        tpl::TemplateModel::Step step(designer.model(), QStringLiteral("bench"));
        for (const tpl::CellRef &r : designer.model().allCells()) {
            tpl::CellData d = designer.model().cell(r);
            d.keyBox.width += Fixed4::fromRaw(1000);
            designer.model().setCell(r, d);
        }
    } /* the step's end redraws */);
    const double resizeRedraw = median([&] {
        {
            tpl::TemplateModel::Step step(designer.model(), QStringLiteral("bench"));
            for (const tpl::CellRef &r : designer.model().allCells()) {
                tpl::CellData d = designer.model().cell(r);
                d.keyBox.width -= Fixed4::fromRaw(1000);
                designer.model().setCell(r, d);
            }
        }
        canvas.repaint();
    });

    tpl::TemplateModel model;
    const double open = median([&] { model.load(path); });
    const double check = median([&] { model.check(); });
    const double save = median([&] { textfile::writeBytes(path, model.bytes()); });

    std::printf("template of 100 cells (median of 40 runs)\n");
    std::printf("  reference: draw the strip once (detail view)   %6.2f ms\n", reference);
    std::printf("  move 100 selected cells one arrow step + redraw %6.2f ms (budget 16)\n", move);
    std::printf("  resize 100 cells by 0.1 mm (model only)        %6.2f ms\n", resize);
    std::printf("  resize 100 cells by 0.1 mm + redraw            %6.2f ms (budget 16)\n", resizeRedraw);
    std::printf("  open                                           %6.2f ms (budget 20)\n", open);
    std::printf("  check                                          %6.2f ms (budget 20)\n", check);
    std::printf("  save                                           %6.2f ms (budget 20)\n", save);
    return 0;
}
