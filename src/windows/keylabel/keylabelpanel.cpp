#include "windows/keylabel/keylabelpanel.h"

#include "keylabel/applykeylabel.h"
#include "platform/fontlist.h"
#include "register/registerdocument.h"
#include "register/textrule.h"
#include "windows/common/actioncollection.h"
#include "windows/common/appsettings.h"
#include "windows/common/userdialogs.h"
#include "windows/keylabel/tfkeylabel.h"
#include "windows/strip/cellediting.h"
#include "windows/strip/stripdisplay.h"

#include <QComboBox>
#include <QPushButton>
#include <QTabWidget>

KeyLabelPanel::KeyLabelPanel(const Parts &parts, ActionCollection &actions, QObject *parent)
    : QObject(parent), m_parts(parts), m_set(parts.settingsFolder)
{
    actions.add("ActionKeyLabelEdit", QStringLiteral("キーラベルの編集(&H)..."), this,
                &KeyLabelPanel::ActionKeyLabelEditExecute);
}

KeyLabelPanel::~KeyLabelPanel()
{
    FreeKeyLabelButtons();
}

void KeyLabelPanel::start(int series)
{
    keylabel::FillFontSizes(m_parts.fontSizeBox);
    ComboBoxSeriesChange(series);
}

void KeyLabelPanel::ComboBoxSeriesChange(int series)
{
    FreeKeyLabelButtons();
    m_series = series;
    CreateKeyLabelButtons(series);
    // Keys confirmed in the dialog but not saved are dropped here.
    keylabel::loadWithNotice(m_parts.window, m_set, series);
    RefreshKeyLabelButtons();
}

void KeyLabelPanel::CreateKeyLabelButtons(int series)
{
    FreeKeyLabelButtons();
    const int n = keylabel::keysPerPage(series);
    for (int k = 0; k < keylabel::Pages * n; ++k) {
        auto *b = new QPushButton(m_parts.tabs->widget(k / n));
        b->setGeometry(0, (k % n) * 24, 172, 23);
        b->setFont(QFont(QStringLiteral("ＭＳ Ｐゴシック")));
        // A button that took the focus would end the cell selection before
        // the label reaches the cells.
        b->setFocusPolicy(Qt::NoFocus);
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, [this, k] { KeyLabelButtonClick(k); });
        b->show();
        m_buttons.append(b);
    }
}

void KeyLabelPanel::FreeKeyLabelButtons()
{
    qDeleteAll(m_buttons);
    m_buttons.clear();
}

void KeyLabelPanel::RefreshKeyLabelButtons()
{
    const int keys = std::min(int(m_buttons.size()), m_set.keyCount());
    for (int k = 0; k < keys; ++k) {
        QPushButton *b = m_buttons.at(k);
        const keylabel::ButtonCaption c = keylabel::KeyButtonCaption(m_set.ReadKeyLabel(k).lines);
        QFont f = b->font();
        f.setPointSize(c.pointSize);
        b->setFont(f);
        b->setText(c.text);
    }
}

void KeyLabelPanel::KeyLabelButtonClick(int k)
{
    StripDisplay &display = *m_parts.display;
    if (display.cellCount() == 0 || !display.detailActive() || k < 0 || k >= m_set.keyCount())
        return;
    // An open edit is written back first, so that it does not later write
    // its text over the label's.
    if (m_parts.editing)
        m_parts.editing->commitEdit();
    const keylabel::KeyLabel label = m_set.ReadKeyLabel(k);
    RegisterDocument &doc = *m_parts.document;
    QList<int> changed;
    try {
        changed = keylabel::applyKeyLabel(doc, display.shownHeaderLine(), display.selectedCells(), label);
    } catch (const textrule::RefusedInput &e) { // nothing changed
        UserDialogs::current().message(m_parts.window, e.message());
        return;
    }
    if (!changed.isEmpty())
        display.makeCurrent(display.currentCell()); // the toolbar shows the new format
}

void KeyLabelPanel::saveSettings(SettingsStore &settings) const
{
    if (!m_dialog)
        appsettings::keep(settings, appsettings::KeyLabelPlace);
}

TFKeyLabel &KeyLabelPanel::dialog()
{
    if (!m_dialog)
        m_dialog = new TFKeyLabel(*m_parts.settings, m_parts.window);
    return *m_dialog;
}

void KeyLabelPanel::ActionKeyLabelEditExecute()
{
    dialog();
    const QStringList before = m_set.lines();
    m_dialog->setSource(&m_set, m_series, fontMarks());
    m_dialog->exec();
    if (m_set.lines() != before)
        RefreshKeyLabelButtons();
}

QStringList KeyLabelPanel::fontMarks()
{
    if (m_fontMarks.isEmpty())
        m_fontMarks = fontMarkList();
    return m_fontMarks;
}
