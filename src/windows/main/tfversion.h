#pragma once
// TFVersion: the About box. It shows the logo, the version line computed
// from the program's four-number version, the rights line, the legal notice
// and an OK button that Enter and Esc both press. Its texts are composed
// once, when the window is created.

#include <QDialog>
#include <QImage>
#include <QString>

class QLabel;
class QPushButton;

class TFVersion : public QDialog
{
    Q_OBJECT

public:
    static constexpr int Width = 400;
    static constexpr int Height = 246;
    static const QString RightsLine;
    static const QString Notice; // four lines, each ended by a line break

    // programVersion: four decimal numbers separated by "." (1.0.1.0), or
    // empty when the program carries no version information.
    explicit TFVersion(QWidget *parent = nullptr, const QString &programVersion = QString());

    // "Version " + major + "." + minor + third number + "N ": 1.0.1.0 gives
    // "Version 1.01N ", an empty version "Version N ".
    static QString versionLine(const QString &programVersion);
    // The 233 x 35 logo: the product name in heavy rounded letters shaded
    // from yellow to orange with a dark outline, on white.
    static QImage drawLogo();

protected:
    void showEvent(QShowEvent *event) override;

private:
    // The widgets, named after these fields (tests find them by name).
    QLabel *logoLabel = nullptr;
    QLabel *LabelVersion = nullptr;
    QLabel *LabelCopyright = nullptr;
    QWidget *separatorRule = nullptr;
    QLabel *descriptionLabel = nullptr;
    QPushButton *ButtonOk = nullptr;
};
