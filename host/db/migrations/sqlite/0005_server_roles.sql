-- On a database server each company user works as a login role: the role of the
-- user's own name, or the one linked here (the role that set the company up works
-- as its administrator). Kept on every backend so a company copies unchanged.
ALTER TABLE t_User ADD COLUMN FServerRole TEXT;
