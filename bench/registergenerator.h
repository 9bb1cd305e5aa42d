#pragma once
// Large registers for the benchmarks: N entries of C cells each, with
// Japanese header texts and cell texts so the CP932 path is exercised.

#include <QByteArray>
#include <QStringList>

QStringList generateRegister(int entries, int cellsPerEntry);
// The same register as CP932 file bytes, made entry by entry.
QByteArray generateRegisterBytes(int entries, int cellsPerEntry);
