-- The company database: base data, rates, users and rights, options, the operation log.
-- Dates are stored as text yyyy-MM-dd (DATE) or yyyy-MM-dd HH:mm:ss (DATETIME).

CREATE TABLE t_User (
    FUserID      INTEGER PRIMARY KEY,
    FName        TEXT    NOT NULL UNIQUE COLLATE NOCASE,
    FDescription TEXT    NOT NULL DEFAULT '',
    FIsAdmin     INTEGER NOT NULL DEFAULT 0 CHECK (FIsAdmin IN (0, 1)),
    FForbidden   INTEGER NOT NULL DEFAULT 0 CHECK (FForbidden IN (0, 1))
);

-- Rights: a bit mask per user, subsystem and object number.
CREATE TABLE t_UserRight (
    FUserID       INTEGER NOT NULL REFERENCES t_User (FUserID) ON DELETE CASCADE,
    FSubSystem    INTEGER NOT NULL,
    FObjectNumber INTEGER NOT NULL DEFAULT 0,
    FRights       INTEGER NOT NULL DEFAULT 0,
    PRIMARY KEY (FUserID, FSubSystem, FObjectNumber)
);

CREATE TABLE t_SystemProfile (
    FCategory TEXT NOT NULL,
    FKey      TEXT NOT NULL,
    FValue    TEXT,
    PRIMARY KEY (FCategory, FKey)
);

CREATE TABLE t_Currency (
    FCurrencyID INTEGER PRIMARY KEY,
    FNumber     TEXT    NOT NULL UNIQUE COLLATE NOCASE,
    FName       TEXT    NOT NULL,
    FDeleted    INTEGER NOT NULL DEFAULT 0 CHECK (FDeleted IN (0, 1))
);

CREATE TABLE ICClassType (
    FID      INTEGER PRIMARY KEY,
    FName    TEXT    NOT NULL,
    FVersion INTEGER NOT NULL DEFAULT 0
);

-- Every update of a class-type row, even to the same values, counts as a change.
CREATE TRIGGER tr_ICClassType_Version AFTER UPDATE ON ICClassType
BEGIN
    UPDATE ICClassType SET FVersion = OLD.FVersion + 1 WHERE FID = NEW.FID;
END;

-- Exchange-rate types (FLevels = 1) and one header row per saved rate (FLevels = 2,
-- FParentID = its type, same FID as the rate's entry).
CREATE TABLE t_ExchangeRate (
    FID           INTEGER PRIMARY KEY,
    FNumber       TEXT    NOT NULL DEFAULT '',
    FName         TEXT    NOT NULL DEFAULT '',
    FDigits       INTEGER DEFAULT 4,
    FRemark       TEXT    DEFAULT '',
    FLevels       INTEGER NOT NULL DEFAULT 1 CHECK (FLevels IN (1, 2)),
    FParentID     INTEGER NOT NULL DEFAULT 0,
    FIsNativeRate INTEGER NOT NULL DEFAULT 0,
    FDeleted      INTEGER NOT NULL DEFAULT 0 CHECK (FDeleted IN (0, 1)),
    -- The type dialog allows 0 to 10 places; NULL is tolerated because the list
    -- copes with a type whose precision was never set.
    CHECK (FDigits IS NULL OR FDigits BETWEEN 0 AND 10)
);
CREATE INDEX ix_ExchangeRate_Parent ON t_ExchangeRate (FParentID, FIsNativeRate);
CREATE UNIQUE INDEX ux_ExchangeRate_TypeNumber ON t_ExchangeRate (FNumber COLLATE NOCASE) WHERE FLevels = 1;
CREATE UNIQUE INDEX ux_ExchangeRate_TypeName ON t_ExchangeRate (FName COLLATE NOCASE) WHERE FLevels = 1;

-- Types below 1000 are the system's presets: other data and programs refer to them by
-- id, code and name, so they stay as the company set-up made them. Changing the id or
-- the level, or marking the row deleted, would be a delete by another name. Any type
-- row below 1000 counts, however it got there: apart from the presets the company
-- set-up inserts, every program path that adds a type gives it an id of 1000 or more.
CREATE TRIGGER tr_ExchangeRate_PresetNotDeleted BEFORE DELETE ON t_ExchangeRate
WHEN OLD.FLevels = 1 AND OLD.FID < 1000
BEGIN
    SELECT RAISE(ABORT, 'preset exchange-rate type: it cannot be deleted');
END;
CREATE TRIGGER tr_ExchangeRate_PresetUnchanged BEFORE UPDATE OF FID, FNumber, FName, FLevels, FDeleted
ON t_ExchangeRate
WHEN OLD.FLevels = 1 AND OLD.FID < 1000
     AND (NEW.FID IS NOT OLD.FID OR NEW.FNumber IS NOT OLD.FNumber OR NEW.FName IS NOT OLD.FName
          OR NEW.FLevels IS NOT OLD.FLevels OR NEW.FDeleted IS NOT OLD.FDeleted)
BEGIN
    SELECT RAISE(ABORT, 'preset exchange-rate type: its id, code and name cannot change and it cannot be deleted');
END;

-- A rate is its header row and this entry under one FID: deleting the header takes
-- the entry with it, and an entry without a header (invisible in the list) cannot be
-- stored. The check waits for the end of the transaction, so either row may be
-- written first. A type that still has rates cannot be deleted.
CREATE TABLE t_ExchangeRateEntry (
    FID               INTEGER PRIMARY KEY
                      REFERENCES t_ExchangeRate (FID) ON DELETE CASCADE DEFERRABLE INITIALLY DEFERRED,
    -- Rates are expressed in the home currency (id 1), which therefore has none.
    FCyTo             INTEGER NOT NULL REFERENCES t_Currency (FCurrencyID) CHECK (FCyTo <> 1),
    FExchangeRateType INTEGER NOT NULL REFERENCES t_ExchangeRate (FID),
    -- Amounts are multiplied by the rate: 0 or less would turn them into nonsense.
    FExchangeRate     REAL    NOT NULL CHECK (FExchangeRate > 0),
    FReverseExRate    REAL,
    FBegDate          DATE    NOT NULL,
    FEndDate          DATE    NOT NULL,
    FNumber           TEXT    NOT NULL DEFAULT '',
    FName             TEXT    NOT NULL DEFAULT '',
    FChkUserID        INTEGER NOT NULL DEFAULT 0,
    FCheckDate        DATE,
    -- Counts the changes of the row (tr_ExchangeRateEntry_Version), so an editor can
    -- tell that the rate it opened was saved, audited or touched by someone since.
    FVersion          INTEGER NOT NULL DEFAULT 0,
    -- Validity is compared as text, so both ends must be real days written yyyy-MM-dd
    -- (the '+0 days' makes date() carry an impossible day such as 02-30 over), and in
    -- the years the program's dates hold, 100 to 9999.
    CHECK (date(FBegDate, '+0 days') IS FBegDate AND date(FEndDate, '+0 days') IS FEndDate),
    CHECK (FBegDate >= '0100-01-01' AND FBegDate <= FEndDate)
);
-- Serves the overlap test (same type and currency) and the list ordered by begin date.
CREATE INDEX ix_ExchangeRateEntry_Period ON t_ExchangeRateEntry (FExchangeRateType, FCyTo, FBegDate, FEndDate);
CREATE INDEX ix_ExchangeRateEntry_Begin ON t_ExchangeRateEntry (FBegDate DESC);

-- No two rates of one type and currency may be valid on the same day, whoever writes.
CREATE TRIGGER tr_ExchangeRateEntry_NoOverlapInsert BEFORE INSERT ON t_ExchangeRateEntry
WHEN EXISTS (SELECT 1 FROM t_ExchangeRateEntry e
             WHERE e.FExchangeRateType = NEW.FExchangeRateType AND e.FCyTo = NEW.FCyTo
               AND e.FID <> COALESCE(NEW.FID, -1)
               AND NOT (e.FBegDate > NEW.FEndDate OR e.FEndDate < NEW.FBegDate))
BEGIN
    SELECT RAISE(ABORT, 'overlapping validity: a rate of this type and currency is already valid in this period');
END;
CREATE TRIGGER tr_ExchangeRateEntry_NoOverlapUpdate BEFORE UPDATE OF FExchangeRateType, FCyTo, FBegDate, FEndDate
ON t_ExchangeRateEntry
-- The row being changed is excluded by its old id: an update may change FID too.
WHEN EXISTS (SELECT 1 FROM t_ExchangeRateEntry e
             WHERE e.FExchangeRateType = NEW.FExchangeRateType AND e.FCyTo = NEW.FCyTo
               AND e.FID <> OLD.FID
               AND NOT (e.FBegDate > NEW.FEndDate OR e.FEndDate < NEW.FBegDate))
BEGIN
    SELECT RAISE(ABORT, 'overlapping validity: a rate of this type and currency is already valid in this period');
END;

-- Every update counts, even one to the same values; the trigger's own update of
-- FVersion does not fire it again (recursive triggers are off).
CREATE TRIGGER tr_ExchangeRateEntry_Version AFTER UPDATE ON t_ExchangeRateEntry
BEGIN
    UPDATE t_ExchangeRateEntry SET FVersion = OLD.FVersion + 1 WHERE FID = NEW.FID;
END;

-- The operation log.
CREATE TABLE t_Log (
    FID           INTEGER PRIMARY KEY,
    FDate         DATETIME NOT NULL,
    FUserID       INTEGER  NOT NULL,
    FFunctionID   TEXT     NOT NULL,
    FOperateType  INTEGER  NOT NULL DEFAULT 0,
    FDescription  TEXT     NOT NULL DEFAULT '',
    FMachineName  TEXT     NOT NULL DEFAULT '',
    FIPAddress    TEXT     NOT NULL DEFAULT ''
);
CREATE INDEX ix_Log_Date ON t_Log (FDate DESC);

-- The view v_BASE_LogForQEL over t_Log is created by the program (migrations.cpp),
-- which can also recreate it when p_BASE_CreateLogView finds it missing.

-- Sessions that prepared the log view (exec p_BASE_CreateLogView '<session>').
CREATE TABLE t_LogViewSession (
    FSession  TEXT PRIMARY KEY,
    FPrepared DATETIME NOT NULL
);
