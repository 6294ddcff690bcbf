-- The rows of t_ExchangeRate that stand for no rate in use: the types, native rates
-- and disabled rates. The transfer reads them here at once and leaves their entries
-- out, instead of looking up the header of every rate it writes.
CREATE INDEX ix_ExchangeRate_Withheld ON t_ExchangeRate (FID) WHERE FLevels <> 2 OR FIsNativeRate = 1 OR FDeleted <> 0;
