-- Voucher setup: one row per numbered series, keyed by VouStatus ("CP",
-- "CR", "BP", "BR", "JV", "SI", "PO", "QT", "DC", "TI", "GI", "IR", "RI").
-- The setup window rewrites all thirteen rows at once; every other window
-- reads single rows by key. Account columns hold Accounts.RowID.
CREATE TABLE VouSetting (
    VouStatus VARCHAR(2) COLLATE NOCASE NOT NULL,
    VouNo     INTEGER,                 -- start number of the series
    AcCode    INTEGER,                 -- preset account
    AcStatus  VARCHAR(2) COLLATE NOCASE, -- its side: "DR", "CR" or Null
    Fix       VARCHAR(1) COLLATE NOCASE, -- "Y": the reading window locks the preset account
    OthAcCode INTEGER,                 -- row "TI": report accounts
    ITaxAc    INTEGER,
    STaxAc    INTEGER
);
CREATE INDEX ix_VouSetting_VouStatus ON VouSetting (VouStatus);
