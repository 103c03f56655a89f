#pragma once

// Lets the event loop run once: pending repaints and input are handled, then
// control comes back to the caller.
class EventPump
{
public:
    virtual ~EventPump() = default;
    virtual void processEvents() = 0;
};
