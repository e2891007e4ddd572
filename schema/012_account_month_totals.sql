-- Debit and credit totals of the postings per account, month and kind of
-- entry, kept by the journal in each posting's own transaction: balances
-- over long periods (trial balances, balances brought forward) read these
-- instead of adding up the whole journal. YearMonth is year * 100 + month of
-- VouDate. Carry-forward rows move no money and are left out, as are rows
-- without a date, which no balance counts. A posting without an account is
-- kept under account 0.
CREATE TABLE AcMonthBal (
    AcCode    INTEGER NOT NULL,
    YearMonth INTEGER NOT NULL,
    VouStatus VARCHAR(2) COLLATE NOCASE NOT NULL,
    DrAmt     MONEY NOT NULL DEFAULT 0,
    CrAmt     MONEY NOT NULL DEFAULT 0,
    PRIMARY KEY (AcCode, YearMonth, VouStatus)
);
-- The balances read every account's months in account order, or one
-- account's months, from this index alone.
CREATE INDEX ix_AcMonthBal_Balance ON AcMonthBal (AcCode, YearMonth, DrAmt, CrAmt);

-- The totals of the postings already in the books.
INSERT INTO AcMonthBal (AcCode, YearMonth, VouStatus, DrAmt, CrAmt)
SELECT coalesce(AcCode, 0),
       CAST(substr(CAST(VouDate AS TEXT), 1, 4) || substr(CAST(VouDate AS TEXT), 6, 2) AS INTEGER),
       coalesce(VouStatus, ''), coalesce(sum(DrAmt), 0), coalesce(sum(CrAmt), 0)
FROM DetJV
WHERE VouDate IS NOT NULL AND coalesce(VouStatus, '') <> 'CF'
GROUP BY coalesce(AcCode, 0),
         CAST(substr(CAST(VouDate AS TEXT), 1, 4) || substr(CAST(VouDate AS TEXT), 6, 2) AS INTEGER),
         coalesce(VouStatus, '');
