-- A voucher is named by its kind and number: the same number exists once per
-- kind. The numbering inside the write transaction already keeps it so; the
-- index keeps it whoever writes.

-- A database that holds a kind and number twice is left as it is, and the
-- upgrade names them.
SELECT 'Voucher ' || VouStatus || '-' || VouNo || ' is stored ' || count(*) || ' times in MasJV.'
FROM MasJV
GROUP BY VouStatus, VouNo
HAVING count(*) > 1
ORDER BY VouStatus, VouNo;

CREATE UNIQUE INDEX ux_MasJV_Voucher ON MasJV (VouStatus, VouNo);
-- The unique index serves every lookup the plain one did.
DROP INDEX ix_MasJV_Voucher;
