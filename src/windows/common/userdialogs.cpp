#include "windows/common/userdialogs.h"

#include <QColorDialog>
#include <QComboBox>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QCheckBox>
#include <QGridLayout>
#include <QIntValidator>
#include <QLabel>
#include <QVBoxLayout>
#include <QFileInfo>
#include <QMessageBox>
#include <QRegularExpression>
#include <QPrintDialog>
#include <QPrinter>

namespace {
QtUserDialogs &qtDialogs()
{
    static QtUserDialogs d;
    return d;
}
UserDialogs *installed = nullptr;

QMessageBox::StandardButton toButton(UserDialogs::Answer a)
{
    switch (a) {
    case UserDialogs::Answer::Yes:
        return QMessageBox::Yes;
    case UserDialogs::Answer::No:
        return QMessageBox::No;
    case UserDialogs::Answer::Cancel:
        break;
    }
    return QMessageBox::Cancel;
}
} // namespace

UserDialogs &UserDialogs::current()
{
    return installed ? *installed : qtDialogs();
}

UserDialogs *UserDialogs::install(UserDialogs *d)
{
    UserDialogs *previous = installed;
    installed = d;
    return previous;
}

const QString UserDialogs::ReplaceQuestion = QStringLiteral("%1 は既に存在します。\n置き換えますか?");

QString UserDialogs::saveOutputFileName(QWidget *parent, FileRequest request,
                                        const std::function<QString(const QString &)> &refusal)
{
    request.confirmReplace = false;
    for (;;) {
        const QString path = saveFileName(parent, request);
        if (path.isEmpty())
            return path;
        if (const QString refused = refusal(path); !refused.isEmpty()) {
            error(parent, refused);
            return QString();
        }
        // As the file dialog asks: いいえ goes back to choosing a name.
        if (!QFileInfo::exists(path)
            || question(parent, ReplaceQuestion.arg(QFileInfo(path).fileName()), Buttons::YesNo, Answer::No)
                   == Answer::Yes)
            return path;
    }
}

// ---------------------------------------------------------------- Qt

UserDialogs::Answer QtUserDialogs::question(QWidget *parent, const QString &text, Buttons buttons,
                                            Answer defaultAnswer)
{
    QMessageBox::StandardButtons set = QMessageBox::Yes | QMessageBox::No;
    if (buttons == Buttons::YesNoCancel)
        set |= QMessageBox::Cancel;
    QMessageBox box(QMessageBox::Question, QStringLiteral("確認"), text, set, parent);
    box.setDefaultButton(toButton(defaultAnswer));
    switch (box.exec()) {
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    default:
        // Esc or the close box: Cancel where offered, otherwise No.
        return buttons == Buttons::YesNoCancel ? Answer::Cancel : Answer::No;
    }
}

void QtUserDialogs::error(QWidget *parent, const QString &text)
{
    QMessageBox box(QMessageBox::Critical, QStringLiteral("エラー"), text, QMessageBox::Ok, parent);
    box.exec();
}

void QtUserDialogs::message(QWidget *parent, const QString &text)
{
    QMessageBox box(QMessageBox::Warning, QStringLiteral("メッセージ"), text, QMessageBox::Ok, parent);
    box.exec();
}

void QtUserDialogs::exception(QWidget *parent, const QString &text)
{
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Tavrel"), text, QMessageBox::Ok, parent);
    box.exec();
}

// A filter may list its patterns separated by ";" as well; each pattern
// matches in either letter case, since the files come from systems that do
// not tell them apart (LOGO.JPG is a picture file like logo.jpg).
static QString qtNameFilter(const QString &filter)
{
    const qsizetype open = filter.lastIndexOf(u'(');
    if (open < 0 || !filter.endsWith(u')'))
        return filter;
    QStringList patterns;
    const QString inner = filter.mid(open + 1, filter.size() - open - 2);
    for (const QString &p : inner.split(QRegularExpression(QStringLiteral("[; ]")), Qt::SkipEmptyParts))
        for (const QString &v : {p, p.toLower(), p.toUpper()})
            if (!patterns.contains(v))
                patterns.append(v);
    return filter.left(open) + u'(' + patterns.join(u' ') + u')';
}

// The file dialogs: title, filter and default extension of the request,
// its initial folder (or none) and an empty name, resizable.
static void prepareFileDialog(QFileDialog &dialog, const UserDialogs::FileRequest &request, bool save)
{
    dialog.setWindowTitle(request.title);
    dialog.setNameFilter(qtNameFilter(request.filter));
    if (!request.folder.isEmpty())
        dialog.setDirectory(request.folder);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(request.defaultSuffix);
    if (save && !request.fileName.isEmpty())
        dialog.selectFile(request.fileName);
    if (save && !request.confirmReplace)
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setSizeGripEnabled(true);
}

QString UserDialogs::openRefusal(const QString &path, const FileRequest &request)
{
    const QFileInfo info(path);
    if (!info.isFile())
        return QStringLiteral("%1\nファイルが見つかりません。\n正しいファイル名が入力されているかを確認してください。")
            .arg(info.fileName());
    // A register is opened for writing back, so a read-only file is refused.
    if (request.writable && !info.isWritable())
        return QStringLiteral("%1\nこのファイルは読み取り専用です。").arg(info.fileName());
    return QString();
}

QString QtUserDialogs::openFileName(QWidget *parent, const FileRequest &request)
{
    QFileDialog dialog(parent);
    prepareFileDialog(dialog, request, false);
    for (;;) {
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return QString();
        const QString path = dialog.selectedFiles().constFirst();
        const QString refusal = openRefusal(path, request);
        if (refusal.isEmpty())
            return path;
        QMessageBox box(QMessageBox::Warning, request.title, refusal, QMessageBox::Ok, &dialog);
        box.exec();
    }
}

QString QtUserDialogs::saveFileName(QWidget *parent, const FileRequest &request)
{
    QFileDialog dialog(parent);
    prepareFileDialog(dialog, request, true);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

// The font chooser: face, size, bold, italic and one of the sixteen basic
// colours, with a sample. The faces are those of the toolbar's font list, so
// that a face the register names is picked by that name; bold and italic are
// offered for every face (the drawing embolden and slant where a face has no
// such style of its own).
bool QtUserDialogs::chooseFont(QWidget *parent, FontChoice &choice, const QStringList &faces,
                               const QList<int> &sizes)
{
    QDialog dialog(parent);
    dialog.setWindowTitle(QStringLiteral("フォント"));
    auto *layout = new QGridLayout(&dialog);
    auto *face = new QComboBox(&dialog);
    face->addItems(faces);
    int at = face->findText(choice.face, Qt::MatchFixedString);
    if (at < 0 && !choice.face.isEmpty()) {
        face->insertItem(0, choice.face);
        at = 0;
    }
    face->setCurrentIndex(std::max(0, at));
    auto *size = new QComboBox(&dialog);
    size->setEditable(true);
    size->setInsertPolicy(QComboBox::NoInsert);
    for (int s : sizes)
        size->addItem(QString::number(s));
    size->setEditText(QString::number(choice.pointSize));
    size->setValidator(new QIntValidator(1, 9999, size));
    auto *bold = new QCheckBox(QStringLiteral("太字(&B)"), &dialog);
    bold->setChecked(choice.bold);
    auto *italic = new QCheckBox(QStringLiteral("斜体(&I)"), &dialog);
    italic->setChecked(choice.italic);
    auto *colours = new QComboBox(&dialog);
    static const int basic[16] = {0x000000, 0x000080, 0x008000, 0x008080, 0x800000, 0x800080, 0x808000, 0x808080,
                                  0xC0C0C0, 0x0000FF, 0x00FF00, 0x00FFFF, 0xFF0000, 0xFF00FF, 0xFFFF00, 0xFFFFFF};
    auto addColour = [colours](const QColor &c) {
        QPixmap swatch(24, 12);
        swatch.fill(c);
        colours->addItem(QIcon(swatch), c.name(), c.red() | (c.green() << 8) | (c.blue() << 16));
    };
    for (int rgb : basic)
        addColour(QColor::fromRgb(QRgb(rgb)));
    int colourAt = colours->findData(choice.colour & 0xFFFFFF);
    if (colourAt < 0) {
        addColour(QColor(choice.colour & 0xFF, (choice.colour >> 8) & 0xFF, (choice.colour >> 16) & 0xFF));
        colourAt = colours->count() - 1;
    }
    colours->setCurrentIndex(colourAt);
    auto *sample = new QLabel(QStringLiteral("AaBbYyZz あア亜"), &dialog);
    sample->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    sample->setAlignment(Qt::AlignCenter);
    sample->setMinimumSize(260, 60);
    auto updateSample = [=] {
        QFont f(face->currentText());
        f.setPointSize(std::clamp(size->currentText().toInt(), 1, 72));
        f.setBold(bold->isChecked());
        f.setItalic(italic->isChecked());
        sample->setFont(f);
        QPalette pal = sample->palette();
        const int c = colours->currentData().toInt();
        pal.setColor(QPalette::WindowText, QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF));
        sample->setPalette(pal);
    };
    updateSample();
    QObject::connect(face, &QComboBox::currentIndexChanged, &dialog, updateSample);
    QObject::connect(size, &QComboBox::editTextChanged, &dialog, updateSample);
    QObject::connect(bold, &QCheckBox::toggled, &dialog, updateSample);
    QObject::connect(italic, &QCheckBox::toggled, &dialog, updateSample);
    QObject::connect(colours, &QComboBox::currentIndexChanged, &dialog, updateSample);

    auto label = [&dialog](const QString &text, QWidget *buddy) {
        auto *l = new QLabel(text, &dialog);
        l->setBuddy(buddy);
        return l;
    };
    layout->addWidget(label(QStringLiteral("フォント名(&F):"), face), 0, 0);
    layout->addWidget(face, 0, 1, 1, 2);
    layout->addWidget(label(QStringLiteral("サイズ(&S):"), size), 1, 0);
    layout->addWidget(size, 1, 1);
    layout->addWidget(label(QStringLiteral("色(&C):"), colours), 2, 0);
    layout->addWidget(colours, 2, 1);
    auto *styles = new QHBoxLayout;
    styles->addWidget(bold);
    styles->addWidget(italic);
    styles->addStretch(1);
    layout->addLayout(styles, 3, 1, 1, 2);
    layout->addWidget(sample, 4, 0, 1, 3);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, [&dialog, size] {
        // A size is a whole number of at least 1.
        if (size->currentText().toInt() >= 1)
            dialog.accept();
    });
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons, 5, 0, 1, 3);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    choice.face = face->currentText();
    choice.pointSize = size->currentText().toInt();
    choice.bold = bold->isChecked();
    choice.italic = italic->isChecked();
    choice.colour = colours->currentData().toInt();
    return true;
}

void QtUserDialogs::warning(QWidget *parent, const QString &text)
{
    QMessageBox box(QMessageBox::Warning, QStringLiteral("エラー"), text, QMessageBox::Ok, parent);
    box.exec();
}

void QtUserDialogs::captionedError(QWidget *parent, const QString &caption, const QString &text)
{
    QMessageBox box(QMessageBox::Critical, caption, text, QMessageBox::Ok, parent);
    box.exec();
}

bool QtUserDialogs::print(QWidget *parent, QPrinter &printer, int lastPage)
{
    QPrintDialog dialog(&printer, parent);
    QAbstractPrintDialog::PrintDialogOptions options = QAbstractPrintDialog::PrintToFile
                                                       | QAbstractPrintDialog::PrintCollateCopies
                                                       | QAbstractPrintDialog::PrintShowPageSize;
    if (lastPage > 0) {
        options |= QAbstractPrintDialog::PrintPageRange;
        dialog.setMinMax(1, lastPage);
        printer.setFromTo(1, lastPage);
    }
    printer.setPrintRange(QPrinter::AllPages);
    dialog.setOptions(options);
    return dialog.exec() == QDialog::Accepted;
}

QColor QtUserDialogs::chooseColour(QWidget *parent, const QColor &initial)
{
    QColorDialog dialog(initial, parent);
    if (dialog.exec() != QDialog::Accepted)
        return QColor();
    return dialog.selectedColor();
}

bool QtUserDialogs::openUrl(QWidget *, const QUrl &url)
{
    return QDesktopServices::openUrl(url);
}

// ---------------------------------------------------------------- scripted

ScriptedUserDialogs::ScriptedUserDialogs() : m_previous(UserDialogs::install(this)) {}

ScriptedUserDialogs::~ScriptedUserDialogs()
{
    if (&UserDialogs::current() == this)
        UserDialogs::install(m_previous);
}

QStringList ScriptedUserDialogs::texts(const QString &kind) const
{
    QStringList out;
    for (const Shown &s : shown)
        if (s.kind == kind)
            out.append(s.text);
    return out;
}

bool ScriptedUserDialogs::anyUnanswered() const
{
    for (const Shown &s : shown)
        if (s.unanswered)
            return true;
    return false;
}

UserDialogs::Answer ScriptedUserDialogs::question(QWidget *, const QString &text, Buttons buttons,
                                                  Answer defaultAnswer)
{
    if (whileShown)
        whileShown();
    Shown s;
    s.kind = QStringLiteral("question");
    s.text = text;
    s.buttons = buttons;
    s.defaultAnswer = defaultAnswer;
    Answer a = Answer::Cancel;
    if (answers.isEmpty())
        s.unanswered = true;
    else
        a = answers.takeFirst();
    shown.append(s);
    return a;
}

void ScriptedUserDialogs::error(QWidget *, const QString &text)
{
    logBox(QStringLiteral("error"), text);
}

void ScriptedUserDialogs::message(QWidget *, const QString &text)
{
    logBox(QStringLiteral("message"), text);
}

void ScriptedUserDialogs::exception(QWidget *, const QString &text)
{
    logBox(QStringLiteral("exception"), text);
}

void ScriptedUserDialogs::warning(QWidget *, const QString &text)
{
    logBox(QStringLiteral("warning"), text);
}

void ScriptedUserDialogs::captionedError(QWidget *, const QString &caption, const QString &text)
{
    Shown s;
    s.kind = QStringLiteral("error");
    s.caption = caption;
    s.text = text;
    shown.append(s);
}

bool ScriptedUserDialogs::print(QWidget *, QPrinter &printer, int lastPage)
{
    Shown s;
    s.kind = QStringLiteral("print");
    printLastPages.append(lastPage);
    if (printAnswers.isEmpty()) {
        s.unanswered = true;
        shown.append(s);
        return false;
    }
    const PrintAnswer a = printAnswers.takeFirst();
    shown.append(s);
    if (!a.accept)
        return false;
    if (!a.printerName.isEmpty()) {
        printer.setOutputFormat(QPrinter::NativeFormat);
        printer.setPrinterName(a.printerName);
    }
    if (!a.outputFile.isEmpty()) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(a.outputFile);
    }
    printer.setCopyCount(a.copies);
    printer.setCollateCopies(a.collate);
    if (lastPage > 0 && a.fromPage > 0) {
        printer.setPrintRange(QPrinter::PageRange);
        printer.setFromTo(a.fromPage, a.toPage);
    } else {
        printer.setPrintRange(QPrinter::AllPages);
    }
    return true;
}

void ScriptedUserDialogs::logBox(const QString &kind, const QString &text)
{
    if (whileShown)
        whileShown();
    Shown s;
    s.kind = kind;
    s.text = text;
    shown.append(s);
}

QString ScriptedUserDialogs::nextFileName(const QString &kind, const FileRequest &request)
{
    Shown s;
    s.kind = kind;
    s.text = request.title;
    s.request = request;
    QString name;
    if (fileNames.isEmpty())
        s.unanswered = true;
    else
        name = fileNames.takeFirst();
    shown.append(s);
    return name;
}

QString ScriptedUserDialogs::openFileName(QWidget *, const FileRequest &request)
{
    return nextFileName(QStringLiteral("open"), request);
}

QString ScriptedUserDialogs::saveFileName(QWidget *, const FileRequest &request)
{
    return nextFileName(QStringLiteral("save"), request);
}

bool ScriptedUserDialogs::chooseFont(QWidget *, FontChoice &choice, const QStringList &faces,
                                     const QList<int> &sizes)
{
    Shown s;
    s.kind = QStringLiteral("font");
    s.font = choice;
    s.text = faces.join(u'\n');
    Q_UNUSED(sizes);
    bool ok = false;
    if (fonts.isEmpty()) {
        s.unanswered = true;
    } else if (const std::optional<FontChoice> answer = fonts.takeFirst()) {
        choice = *answer;
        ok = true;
    }
    shown.append(s);
    return ok;
}

QColor ScriptedUserDialogs::chooseColour(QWidget *, const QColor &initial)
{
    Shown s;
    s.kind = QStringLiteral("colour");
    s.initialColour = initial;
    QColor c;
    if (colours.isEmpty())
        s.unanswered = true;
    else
        c = colours.takeFirst();
    shown.append(s);
    return c;
}

bool ScriptedUserDialogs::openUrl(QWidget *, const QUrl &url)
{
    Shown s;
    s.kind = QStringLiteral("url");
    s.text = url.toString();
    shown.append(s);
    return urlsOpen;
}
