-- What the reports read, found through indexes.

-- The trial balance adds up every posting by account in one pass over this
-- index, which holds every column it needs; ledgers, books and opening
-- balances find an account's postings by date in it. It takes the place of
-- the narrower (AcCode, VouDate) index.
CREATE INDEX ix_DetJV_Balance ON DetJV (AcCode, VouDate, VouStatus, DrAmt, CrAmt);
DROP INDEX ix_DetJV_AcCode;

-- The work tables are now temporary tables of the connection that runs the
-- report procedure; the shared ones are not used any more.
DROP TABLE rptLedger;
DROP TABLE rptTrialBalance;
DROP TABLE rptStudentDetail;
