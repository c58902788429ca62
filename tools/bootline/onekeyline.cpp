#include "onekeyline.h"

OneKeyLine::OneKeyLine(QWidget *parent) : QWidget(parent) {}

OneKeyLine::~OneKeyLine() = default;
