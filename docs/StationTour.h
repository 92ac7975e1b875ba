// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The station window's pictures for the guide (StationTour.cpp).

#include <QString>
#include <functional>

class QWidget;

// Pictures the station through save(window, name); scratch holds its files.
void StationTour(const QString& scratch, const std::function<void(QWidget*, const char*)>& save);
