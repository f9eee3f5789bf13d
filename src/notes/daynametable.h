// SPDX-License-Identifier: GPL-3.0-or-later
// The short day and month names of every locale, one locale a line, made by
// scripts/daynames/generate.sh from Qt's locale data.
#ifndef DAYNAMETABLE_H
#define DAYNAMETABLE_H

extern const char dayNameTable[];

#endif // DAYNAMETABLE_H
