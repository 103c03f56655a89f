-- A scan record as the first schema version wrote it.
PRAGMA auto_vacuum = INCREMENTAL;
PRAGMA journal_mode = WAL;
CREATE TABLE scan (id INTEGER PRIMARY KEY, start_ms INTEGER NOT NULL, end_ms INTEGER, port TEXT NOT NULL, device TEXT NOT NULL, first_channel INTEGER NOT NULL, last_channel INTEGER NOT NULL, term_ms INTEGER NOT NULL, state TEXT NOT NULL CHECK (state IN ('running', 'stopped', 'saved', 'discarded')), saved_file TEXT, passes INTEGER, readings INTEGER, failed INTEGER);
CREATE TABLE unit (id INTEGER PRIMARY KEY, text TEXT NOT NULL UNIQUE);
CREATE TABLE reading (scan INTEGER NOT NULL, seq INTEGER NOT NULL, pass INTEGER NOT NULL, channel INTEGER NOT NULL, t_ms INTEGER NOT NULL, value TEXT, unit INTEGER, status INTEGER NOT NULL, raw BLOB, given_up INTEGER NOT NULL, PRIMARY KEY (scan, seq)) WITHOUT ROWID;
CREATE VIEW readings AS SELECT r.scan, r.seq, r.pass, r.channel, strftime('%Y-%m-%dT%H:%M:%fZ', (ifnull(s.start_ms, 0) + r.t_ms) / 1000.0, 'unixepoch') AS time, r.value, u.text AS unit, CASE r.status WHEN 0 THEN 'taken' WHEN 1 THEN 'no reply' WHEN 2 THEN 'unreadable' ELSE 'line lost' END AS status, r.raw, r.given_up FROM reading r LEFT JOIN scan s ON s.id = r.scan LEFT JOIN unit u ON u.id = r.unit;
INSERT INTO scan VALUES (1, 1796640000000, 1796640001400, 'com1', '/dev/ttyUSB0', 3, 4, 200, 'saved', '/data/a.txt', 1, 1, 1);
INSERT INTO unit VALUES (1, 'kgf/cm2');
INSERT INTO reading VALUES (1, 1, 1, 3, 200, '-0.0123', 1, 0, NULL, 0);
INSERT INTO reading VALUES (1, 2, 1, 4, 1400, NULL, NULL, 1, NULL, 1);
PRAGMA user_version = 1;
