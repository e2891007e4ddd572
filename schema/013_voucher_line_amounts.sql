-- A voucher's postings found by kind and number carry their accounts and
-- amounts in the index: the search list tells a voucher of several lines
-- (its rows with an amount on one side) from the index alone, and the
-- ledgers and books find what a cash voucher's total row is posted against
-- the same way, without reading the rows. It takes the place of the index
-- without them; a database that has it already keeps it as it is.
CREATE INDEX IF NOT EXISTS ix_DetJV_VoucherAmounts ON DetJV (VouStatus, VouNo, EntryNo, AcCode, CrAc, DrAmt, CrAmt);
DROP INDEX IF EXISTS ix_DetJV_Voucher;
