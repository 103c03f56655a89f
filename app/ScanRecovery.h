#pragma once

#include <QString>

class Dialogs;
class ResultTable;
class ScanRecord;

// A scan the program did not end itself (a crash, a kill, a power cut) stays
// marked running in the record; at the next start it is offered back.
namespace ScanRecovery {

// Asks for each unfinished scan, newest first, whether to restore it. Yes
// rebuilds it into table and returns its id; No marks it discarded (it stays in
// the history). -1 when nothing was restored.
qint64 offer(ScanRecord &record, Dialogs &dialogs, ResultTable &table);

// "VESTRA-IP -[Recovered scan 2026-12-07 10:00:13]"
QString caption(ScanRecord &record, qint64 id);

} // namespace ScanRecovery
