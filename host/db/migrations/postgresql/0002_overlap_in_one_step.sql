-- The overlap rule in one step down the period index.
--
-- On this backend the rule is the exclusion constraint on the rate periods, whose
-- GiST index already finds a colliding period without scanning the history of a
-- currency: nothing changes here. The migration keeps the numbers of every backend
-- the same.
SELECT 1;
