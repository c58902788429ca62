#include "adjpower.h"

AdjPower::AdjPower(QWidget *parent) : QWidget(parent) {}

AdjPower::~AdjPower() = default;

PowerPreset *AdjPower::selectedPreset()
{
    if (presetIndex < 1 || presetIndex > presets.size())
        return nullptr;
    return &presets[presetIndex - 1];
}
