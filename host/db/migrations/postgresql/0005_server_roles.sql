-- Each company user works as a login role: the role of the user's own name, or the
-- one linked here (the role that set the company up works as its administrator).
ALTER TABLE t_User ADD COLUMN FServerRole TEXT UNIQUE;

-- The company user a role of the server works as; NULL for a role that is none.
CREATE FUNCTION tolm_user_of_role(role_name TEXT) RETURNS INTEGER LANGUAGE sql STABLE SECURITY DEFINER
SET search_path FROM CURRENT AS $$
    SELECT FUserID FROM t_User
    WHERE FServerRole = role_name COLLATE "default"
       OR (FServerRole IS NULL AND FName = role_name COLLATE nocase)
    ORDER BY FServerRole IS NULL LIMIT 1;
$$;

-- A role that may not read the password hashes reads its own user's, to prove the
-- password given at login.
CREATE FUNCTION tolm_own_password_hash(user_id INTEGER) RETURNS TEXT LANGUAGE sql STABLE SECURITY DEFINER
SET search_path FROM CURRENT AS $$
    SELECT FPasswordHash FROM t_User WHERE FUserID = user_id AND FUserID = tolm_user_of_role(CAST(session_user AS TEXT));
$$;

-- With the company's "only the auditor reverses" option on, only the user who audited
-- a rate may reverse the audit or hand it to another user: the rule the program
-- follows, held also for any other client of the server.
CREATE FUNCTION tr_ExchangeRateEntry_Reverse() RETURNS trigger LANGUAGE plpgsql SECURITY DEFINER
SET search_path FROM CURRENT AS $$
DECLARE
    only_auditor TEXT;
BEGIN
    IF OLD.FChkUserID = 0 OR NEW.FChkUserID = OLD.FChkUserID THEN
        RETURN NEW;
    END IF;
    SELECT trim(FValue) INTO only_auditor FROM t_SystemProfile WHERE FCategory = 'BaseData' AND FKey = 'CheckUser';
    IF only_auditor ~ '^[+]?([0-9]+[.]?[0-9]*|[.][0-9]+)([eE][+-]?[0-9]+)?$'
       AND CAST(only_auditor AS DOUBLE PRECISION) > 0
       AND OLD.FChkUserID IS DISTINCT FROM tolm_user_of_role(CAST(session_user AS TEXT)) THEN
        RAISE EXCEPTION 'only the user who audited a rate may reverse the audit' USING ERRCODE = '42501';
    END IF;
    RETURN NEW;
END;
$$;
CREATE TRIGGER tr_ExchangeRateEntry_Reverse BEFORE UPDATE OF FChkUserID ON t_ExchangeRateEntry
FOR EACH ROW EXECUTE FUNCTION tr_ExchangeRateEntry_Reverse();

-- A role that may change rates marks the class's data as changed by updating its row;
-- the row's id stays what it is.
CREATE FUNCTION tr_ICClassType_KeepId() RETURNS trigger LANGUAGE plpgsql AS $$
BEGIN
    IF NEW.FID <> OLD.FID THEN
        RAISE EXCEPTION 'the id of a class type cannot change' USING ERRCODE = '23514';
    END IF;
    RETURN NEW;
END;
$$;
CREATE TRIGGER tr_ICClassType_KeepId BEFORE UPDATE OF FID ON ICClassType
FOR EACH ROW EXECUTE FUNCTION tr_ICClassType_KeepId();
