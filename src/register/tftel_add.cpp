#include "register/tftel_add.h"

#include "app/mainsub.h"

TFTelAdd::TFTelAdd(QWidget *parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("示名条の作成"));
    if (MainSub)
        move(MainSub->settings().readInteger(QStringLiteral("Position"), QStringLiteral("TelAddLeft"), 100),
             MainSub->settings().readInteger(QStringLiteral("Position"), QStringLiteral("TelAddTop"), 100));
}

TFTelAdd::~TFTelAdd()
{
    if (MainSub) {
        MainSub->settings().writeInteger(QStringLiteral("Position"), QStringLiteral("TelAddTop"), y());
        MainSub->settings().writeInteger(QStringLiteral("Position"), QStringLiteral("TelAddLeft"), x());
    }
}
