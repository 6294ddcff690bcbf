-- Who is acting. A user with a password proves it with each session; the password is
-- kept only as its Argon2id hash (NULL: the user has none). A user without one is
-- known by the operating-system account linked to it (NULL: none), and cannot be
-- used from any other account. Wrong passwords in a row are counted; after too
-- many the user is locked until FLockedUntil (seconds since 1970, UTC).
ALTER TABLE t_User ADD COLUMN FPasswordHash TEXT;
ALTER TABLE t_User ADD COLUMN FOsAccount TEXT;
ALTER TABLE t_User ADD COLUMN FFailedLogins INTEGER NOT NULL DEFAULT 0;
ALTER TABLE t_User ADD COLUMN FLockedUntil BIGINT;
