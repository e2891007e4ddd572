-- An account's postings in the ledgers' order (date, kind, voucher, entry),
-- with the amounts: a ledger's first lines are read from the front of the
-- index without sorting the account's other postings, and the books,
-- brought-forward figures and part months find an account's postings by
-- date in it as they did in the index it takes the place of.
CREATE INDEX IF NOT EXISTS ix_DetJV_Ledger ON DetJV (AcCode, VouDate, VouStatus, VouNo, EntryNo, DrAmt, CrAmt);
DROP INDEX IF EXISTS ix_DetJV_Balance;
