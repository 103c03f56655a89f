#pragma once

#include "EventPump.h"

class QtEventPump : public EventPump
{
public:
    void processEvents() override;
};
