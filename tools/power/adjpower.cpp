#include "adjpower.h"

AdjPower::AdjPower(QWidget *parent) : QWidget(parent) {}

AdjPower::~AdjPower() = default;
