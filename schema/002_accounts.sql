-- Chart of accounts: one row per account, in three levels
-- (AcStatus "HH" control, "HD" sub-control, "DD" subsidiary).
-- RowID is the key every other table stores; AUTOINCREMENT keeps a deleted
-- account's key from ever being handed to a new account.
CREATE TABLE Accounts (
    RowID       INTEGER PRIMARY KEY AUTOINCREMENT,
    ParentID    VARCHAR(50) COLLATE NOCASE,
    Dcode       INTEGER NOT NULL DEFAULT 0 CHECK (Dcode BETWEEN 0 AND 32767),
    AcNodes     VARCHAR(50) COLLATE NOCASE NOT NULL,
    AcName      VARCHAR(100) COLLATE NOCASE,
    AcStatus    VARCHAR(2) COLLATE NOCASE,
    OrderStatus INTEGER,
    BStatus     VARCHAR(1) COLLATE NOCASE,
    openDate    DATE,
    OpenBal     MONEY,
    GST         VARCHAR(17) COLLATE NOCASE,
    NTN         VARCHAR(9) COLLATE NOCASE,
    ContactPer  VARCHAR(50) COLLATE NOCASE,
    Addr        VARCHAR(100) COLLATE NOCASE,
    Addr2       VARCHAR(100) COLLATE NOCASE,
    Contact     VARCHAR(50) COLLATE NOCASE,
    Fax         VARCHAR(50) COLLATE NOCASE,
    Email       VARCHAR(50) COLLATE NOCASE,
    WebSite     VARCHAR(50) COLLATE NOCASE,
    Location    VARCHAR(50) COLLATE NOCASE
);

-- Two copies numbering at the same moment can never store one code twice.
CREATE UNIQUE INDEX ux_Accounts_AcNodes ON Accounts (AcNodes);
-- The numbering reads max(Dcode) among the children of rtrim(ParentID).
CREATE INDEX ix_Accounts_ParentID ON Accounts (rtrim(ParentID), Dcode);
CREATE INDEX ix_Accounts_AcStatus ON Accounts (AcStatus, AcName);
