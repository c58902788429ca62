#include "vc_meter.h"

Vc_Meter::Vc_Meter(QWidget *parent) : QWidget(parent) {}

Vc_Meter::~Vc_Meter() = default;
