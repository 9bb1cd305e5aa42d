#pragma once
// SIGTERM, SIGHUP and SIGINT turned into a Qt signal: the handler only
// writes the signal's number into a socket pair, and a notifier on the
// other end reports it from the event loop, where the program can save
// what is unsaved and end in order.

#include <QObject>

class QSocketNotifier;

class StopSignals : public QObject
{
    Q_OBJECT

public:
    // Installs the handlers; one object per process.
    explicit StopSignals(QObject *parent = nullptr);
    ~StopSignals() override;

Q_SIGNALS:
    void received(int signalNumber);

private:
    void readSignal();

    QSocketNotifier *m_notifier = nullptr;
};
