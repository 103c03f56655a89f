#pragma once

class QLabel;
class QWidget;

// The line under an edit table that says why OK is refused: plain text, in a
// red that stays readable on the window's background (dark palettes too).
QLabel *makeErrorLabel(QWidget *parent);
