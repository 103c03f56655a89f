#pragma once

class SettingsStore;

// The scan settings the windows keep in the settings store, read the same way
// everywhere: a stored value that is not a number, does not fit 16 bits or
// names no menu item falls back to its default rather than end the program.
namespace StoredSettings {

// Index of the channel-count menu item: 0 = 10 channels ... 9 = 100.
int channelCountIndex(const SettingsStore &settings);
inline int channelCountFor(int index)
{
    return (index + 1) * 10;
}
// The serial port number, 1 to 255.
int comPort(const SettingsStore &settings);
// Days the record keeps saved and discarded scans; 0 keeps everything.
int retentionDays(const SettingsStore &settings);

} // namespace StoredSettings
