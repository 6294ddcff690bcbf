-- A rate can be disabled without deleting it: it stays in the list, but no posting
-- may use it. A disabled rate still holds its period, so the overlap rule is
-- unchanged.
ALTER TABLE t_ExchangeRateEntry ADD COLUMN FDeleted INTEGER NOT NULL DEFAULT 0 CHECK (FDeleted IN (0, 1));

-- The rate valid on a day and the days without one are found by one step down this
-- index: the enabled periods of one type and currency, ordered by their first day.
-- It also holds everything the coverage of a range reads of a period.
CREATE INDEX ix_ExchangeRateEntry_Valid
    ON t_ExchangeRateEntry (FExchangeRateType, FCyTo, FBegDate, FEndDate, FChkUserID) WHERE FDeleted = 0;
