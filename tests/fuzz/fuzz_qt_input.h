#pragma once

// Pieces of a fuzzer's input as Qt types, for the targets of the Qt Core code.

#include "fuzz_input.h"

#include <QByteArray>
#include <QString>

inline QString qtText(FuzzInput& input)
{
    return QString::fromStdU16String(input.text());
}

inline QByteArray qtBytes(FuzzInput& input)
{
    const auto piece = input.bytes();
    return {reinterpret_cast<const char*>(piece.data()), static_cast<qsizetype>(piece.size())};
}
