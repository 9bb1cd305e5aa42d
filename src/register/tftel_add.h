#pragma once
// TFTelAdd: the entry dialog, in create and edit mode.

#include <QDialog>

class TFTelAdd : public QDialog
{
    Q_OBJECT

public:
    explicit TFTelAdd(QWidget *parent = nullptr);
    ~TFTelAdd() override;
};
