#include "windows/template/templatecommands.h"

#include "register/registerdocument.h"
#include "register/registerformat.h"
#include "register/series.h"
#include "windows/common/actioncollection.h"
#include "windows/common/userdialogs.h"
#include "windows/template/tftemplatedesigner.h"

#include <QAction>
#include <QWidget>

TemplateCommands::TemplateCommands(RegisterDocument &document, std::function<int()> shownEntry,
                                   const templates::Folders &folders, SettingsStore &settings,
                                   ActionCollection &actions, QWidget *window, QObject *parent)
    : QObject(parent), m_document(document), m_shownEntry(std::move(shownEntry)), m_folders(folders),
      m_settings(settings), m_window(window)
{
    actions.add("ActionTemplateDesigner", QStringLiteral("テンプレートの設計(&T)..."), this,
                &TemplateCommands::ActionTemplateDesignerExecute, {},
                QStringLiteral("示名条のテンプレートを作成・編集します"));
}

void TemplateCommands::ActionTemplateDesignerExecute()
{
    if (!m_designer) {
        m_designer = new TFTemplateDesigner(m_folders, &m_settings, m_window);
        m_designer->setWindowFlag(Qt::Window, true);
        m_designer->setAttribute(Qt::WA_DeleteOnClose, true);
        // Opened on the shown entry: its strip as a template to start from.
        const int n = m_shownEntry ? m_shownEntry() : 0;
        const int marker = n > 0 ? m_document.findEntry(n) : -1;
        if (marker > 0) {
            const int h = marker + 1;
            const QString caption = m_document.line(h + regfmt::entry::SeriesCaption);
            try {
                const int s = series::indexOfCaption(caption);
                m_designer->openLines(tpl::templateFromEntry(m_document, h, s >= 0 ? caption : series::caption(7)),
                                      QString());
            } catch (const TavrelError &e) {
                UserDialogs::current().error(m_window, e.message());
            }
        }
    }
    m_designer->show();
    m_designer->raise();
    m_designer->activateWindow();
}

TFTemplateDesigner *TemplateCommands::designer() const
{
    return m_designer;
}
