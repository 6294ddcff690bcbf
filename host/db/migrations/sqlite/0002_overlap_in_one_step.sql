-- The overlap rule in one step down the period index.
--
-- The periods stored for one type and currency never overlap one another, so,
-- ordered by their first day, their last days rise too: of the periods that begin
-- on or before the new period's last day, only the last of them can reach into the
-- new period. The first triggers compared the new period with every earlier one,
-- which grows with the history of a currency.
DROP TRIGGER tr_ExchangeRateEntry_NoOverlapInsert;
DROP TRIGGER tr_ExchangeRateEntry_NoOverlapUpdate;

CREATE TRIGGER tr_ExchangeRateEntry_NoOverlapInsert BEFORE INSERT ON t_ExchangeRateEntry
WHEN EXISTS (SELECT 1 FROM (SELECT e.FEndDate FROM t_ExchangeRateEntry e
                            WHERE e.FExchangeRateType = NEW.FExchangeRateType AND e.FCyTo = NEW.FCyTo
                              AND e.FID <> COALESCE(NEW.FID, -1) AND e.FBegDate <= NEW.FEndDate
                            ORDER BY e.FBegDate DESC LIMIT 1) latest
             WHERE latest.FEndDate >= NEW.FBegDate)
BEGIN
    SELECT RAISE(ABORT, 'overlapping validity: a rate of this type and currency is already valid in this period');
END;

-- The row being changed is excluded by its old id: an update may change FID too.
CREATE TRIGGER tr_ExchangeRateEntry_NoOverlapUpdate BEFORE UPDATE OF FExchangeRateType, FCyTo, FBegDate, FEndDate
ON t_ExchangeRateEntry
WHEN EXISTS (SELECT 1 FROM (SELECT e.FEndDate FROM t_ExchangeRateEntry e
                            WHERE e.FExchangeRateType = NEW.FExchangeRateType AND e.FCyTo = NEW.FCyTo
                              AND e.FID <> OLD.FID AND e.FBegDate <= NEW.FEndDate
                            ORDER BY e.FBegDate DESC LIMIT 1) latest
             WHERE latest.FEndDate >= NEW.FBegDate)
BEGIN
    SELECT RAISE(ABORT, 'overlapping validity: a rate of this type and currency is already valid in this period');
END;
