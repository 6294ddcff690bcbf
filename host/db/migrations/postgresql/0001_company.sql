-- The company database on a server: the same tables, columns, rules and view as the
-- embedded database, for a team that shares one company.
--
-- Names are written unquoted, so the server stores them folded to lower case and
-- any spelling of them (t_ExchangeRateEntry, t_exchangerateEntry, FID, fid) names
-- the same table or column. Never quote a name here: "FID" would be a different
-- column from FID.

-- The overlap rule below compares type and currency with = inside a GiST index.
CREATE EXTENSION IF NOT EXISTS btree_gist;

-- Equal when only letter case differs, as COLLATE NOCASE on the embedded database.
CREATE COLLATION IF NOT EXISTS nocase (provider = icu, locale = 'und-u-ks-level2', deterministic = false);

CREATE TABLE t_User (
    FUserID      INTEGER PRIMARY KEY,
    FName        TEXT    COLLATE nocase NOT NULL UNIQUE,
    FDescription TEXT    NOT NULL DEFAULT '',
    FIsAdmin     INTEGER NOT NULL DEFAULT 0 CHECK (FIsAdmin IN (0, 1)),
    FForbidden   INTEGER NOT NULL DEFAULT 0 CHECK (FForbidden IN (0, 1))
);

-- Rights: a bit mask per user, subsystem and object number; the mask is unsigned
-- 32-bit, so it needs more than an INTEGER.
CREATE TABLE t_UserRight (
    FUserID       INTEGER NOT NULL REFERENCES t_User (FUserID) ON DELETE CASCADE,
    FSubSystem    INTEGER NOT NULL,
    FObjectNumber INTEGER NOT NULL DEFAULT 0,
    FRights       BIGINT  NOT NULL DEFAULT 0,
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
    FNumber     TEXT    COLLATE nocase NOT NULL UNIQUE,
    FName       TEXT    NOT NULL,
    FDeleted    INTEGER NOT NULL DEFAULT 0 CHECK (FDeleted IN (0, 1))
);

CREATE TABLE ICClassType (
    FID      INTEGER PRIMARY KEY,
    FName    TEXT    NOT NULL,
    FVersion INTEGER NOT NULL DEFAULT 0
);

-- Every update of a class-type row, even to the same values, counts as a change.
CREATE FUNCTION tr_ICClassType_Version() RETURNS trigger LANGUAGE plpgsql AS $$
BEGIN
    NEW.FVersion := OLD.FVersion + 1;
    RETURN NEW;
END;
$$;
CREATE TRIGGER tr_ICClassType_Version BEFORE UPDATE ON ICClassType
FOR EACH ROW EXECUTE FUNCTION tr_ICClassType_Version();

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
CREATE UNIQUE INDEX ux_ExchangeRate_TypeNumber ON t_ExchangeRate (lower(FNumber)) WHERE FLevels = 1;
CREATE UNIQUE INDEX ux_ExchangeRate_TypeName ON t_ExchangeRate (lower(FName)) WHERE FLevels = 1;

-- Types below 1000 are the system's presets: other data and programs refer to them by
-- id, code and name, so they stay as the company set-up made them. Changing the id or
-- the level, or marking the row deleted, would be a delete by another name.
CREATE FUNCTION tr_ExchangeRate_Preset() RETURNS trigger LANGUAGE plpgsql AS $$
BEGIN
    IF OLD.FLevels = 1 AND OLD.FID < 1000 THEN
        IF TG_OP = 'DELETE' THEN
            RAISE EXCEPTION 'preset exchange-rate type: it cannot be deleted';
        END IF;
        IF NEW.FID IS DISTINCT FROM OLD.FID OR NEW.FNumber IS DISTINCT FROM OLD.FNumber
           OR NEW.FName IS DISTINCT FROM OLD.FName OR NEW.FLevels IS DISTINCT FROM OLD.FLevels
           OR NEW.FDeleted IS DISTINCT FROM OLD.FDeleted THEN
            RAISE EXCEPTION 'preset exchange-rate type: its id, code and name cannot change and it cannot be deleted';
        END IF;
    END IF;
    IF TG_OP = 'DELETE' THEN
        RETURN OLD;
    END IF;
    RETURN NEW;
END;
$$;
CREATE TRIGGER tr_ExchangeRate_PresetNotDeleted BEFORE DELETE ON t_ExchangeRate
FOR EACH ROW EXECUTE FUNCTION tr_ExchangeRate_Preset();
CREATE TRIGGER tr_ExchangeRate_PresetUnchanged BEFORE UPDATE OF FID, FNumber, FName, FLevels, FDeleted
ON t_ExchangeRate FOR EACH ROW EXECUTE FUNCTION tr_ExchangeRate_Preset();

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
    FExchangeRate     DOUBLE PRECISION NOT NULL CHECK (FExchangeRate > 0),
    FReverseExRate    DOUBLE PRECISION,
    FBegDate          DATE    NOT NULL,
    FEndDate          DATE    NOT NULL,
    FNumber           TEXT    NOT NULL DEFAULT '',
    FName             TEXT    NOT NULL DEFAULT '',
    FChkUserID        INTEGER NOT NULL DEFAULT 0,
    FCheckDate        DATE,
    -- Counts the changes of the row (tr_ExchangeRateEntry_Version), so an editor can
    -- tell that the rate it opened was saved, audited or touched by someone since.
    FVersion          INTEGER NOT NULL DEFAULT 0,
    -- In the years the program's dates hold, 100 to 9999.
    CHECK (FBegDate >= DATE '0100-01-01' AND FEndDate <= DATE '9999-12-31' AND FBegDate <= FEndDate),
    -- No two rates of one type and currency may be valid on the same day, whoever
    -- writes and however many write at once: both ends of a validity count.
    CONSTRAINT ex_ExchangeRateEntry_NoOverlap
        EXCLUDE USING gist (FExchangeRateType WITH =, FCyTo WITH =, daterange(FBegDate, FEndDate, '[]') WITH &&)
);
-- Serves the overlap test of the editor (same type and currency) and the list
-- ordered by begin date.
CREATE INDEX ix_ExchangeRateEntry_Period ON t_ExchangeRateEntry (FExchangeRateType, FCyTo, FBegDate, FEndDate);
CREATE INDEX ix_ExchangeRateEntry_Begin ON t_ExchangeRateEntry (FBegDate DESC);

-- Every update counts, even one to the same values, and the count cannot be set back.
CREATE FUNCTION tr_ExchangeRateEntry_Version() RETURNS trigger LANGUAGE plpgsql AS $$
BEGIN
    NEW.FVersion := OLD.FVersion + 1;
    RETURN NEW;
END;
$$;
CREATE TRIGGER tr_ExchangeRateEntry_Version BEFORE UPDATE ON t_ExchangeRateEntry
FOR EACH ROW EXECUTE FUNCTION tr_ExchangeRateEntry_Version();

-- The operation log. Its ids are given by the database.
CREATE TABLE t_Log (
    FID           INTEGER GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY,
    FDate         TIMESTAMP(0) NOT NULL,
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
    FPrepared TIMESTAMP(0) NOT NULL
);
