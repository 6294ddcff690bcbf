-- The rate editor asks whether a new period meets a stored one of its type and
-- currency as two ranges: begins on or before the new end, ends on or after the new
-- begin. New rates are entered for the latest periods, after the whole history of
-- their currency: read by the end of the period, that question touches only the
-- periods ending after the new begin, whatever the company holds.
CREATE INDEX ix_ExchangeRateEntry_PeriodEnd ON t_ExchangeRateEntry (FExchangeRateType, FCyTo, FEndDate, FBegDate);

-- No question reads the rates of every type and currency by first day alone; the
-- index only cost every save its upkeep, and drew the server's planner to it.
DROP INDEX ix_ExchangeRateEntry_Begin;
