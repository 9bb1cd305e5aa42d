#pragma once
// Structural check of a register: markers 1..N in order, every count and
// number line a number, no count running past the end of the lines or into
// the next entry, the limits of 100 sections and 100 cells per entry.

#include "register/registerdocument.h"

#include <QList>
#include <QString>

struct RegisterProblem
{
    int line; // 0-based line index
    QString message;
};

// The problems, first to last; an empty list for a sound register. With
// notes, also what is sound but worth saying: a control character stored in
// a cell text (kept as it is, refused only as new input).
QList<RegisterProblem> checkRegister(const RegisterLines &lines, QList<RegisterProblem> *notes = nullptr);
