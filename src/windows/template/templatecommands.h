#pragma once
// The main window's template command: opens the template designer, with
// the strip of the shown entry when there is one.

#include "register/templates.h"

#include <QObject>
#include <QPointer>
#include <functional>

class ActionCollection;
class QAction;
class QWidget;
class RegisterDocument;
class SettingsStore;
class TFTemplateDesigner;

class TemplateCommands : public QObject
{
    Q_OBJECT

public:
    // Adds the command "テンプレートの設計(&T)..." (ActionTemplateDesigner)
    // to `actions`. shownEntry gives the number of the entry the window
    // shows (0 for none).
    TemplateCommands(RegisterDocument &document, std::function<int()> shownEntry, const templates::Folders &folders,
                     SettingsStore &settings, ActionCollection &actions, QWidget *window, QObject *parent = nullptr);

    TFTemplateDesigner *designer() const;
    void ActionTemplateDesignerExecute();

private:
    RegisterDocument &m_document;
    std::function<int()> m_shownEntry;
    templates::Folders m_folders;
    SettingsStore &m_settings;
    QWidget *m_window;
    QPointer<TFTemplateDesigner> m_designer;
};
