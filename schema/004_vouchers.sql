-- Voucher masters and posting lines of every kind (VouStatus "CP", "CR",
-- "BP", "BR", "JV", "FR", "CF", "AR").

-- One row per voucher of the kinds that have a master; identified by
-- VouNo together with VouStatus.
CREATE TABLE MasJV (
    VouNo       INTEGER NOT NULL,
    VouStatus   VARCHAR(2) COLLATE NOCASE NOT NULL,
    VouDate     DATE,
    PaidReceive VARCHAR(100) COLLATE NOCASE,
    TotalAmount MONEY,
    Login       VARCHAR(50) COLLATE NOCASE,
    SlipNo      VARCHAR(20) COLLATE NOCASE,
    IRStatus    VARCHAR(4) COLLATE NOCASE,
    ChecqNo     VARCHAR(20) COLLATE NOCASE
);
CREATE INDEX ix_MasJV_Voucher ON MasJV (VouStatus, VouNo);
CREATE INDEX ix_MasJV_VouDate ON MasJV (VouDate);

-- Posting rows: one amount to one account on one side. A paired line's
-- debit and credit rows share VouNo, VouStatus and EntryNo.
CREATE TABLE DetJV (
    VouNo     INTEGER,
    VouStatus VARCHAR(2) COLLATE NOCASE,
    VouDate   DATE,
    EntryNo   INTEGER,
    AcCode    INTEGER,
    CrAc      INTEGER,
    DrAmt     MONEY,
    CrAmt     MONEY,
    ChecqNo   VARCHAR(20) COLLATE NOCASE,
    Naration  VARCHAR(200) COLLATE NOCASE,
    FileNo    VARCHAR(10) COLLATE NOCASE,
    BillNo    VARCHAR(10) COLLATE NOCASE,
    SessionID INTEGER,
    SubID     INTEGER
);
CREATE INDEX ix_DetJV_Voucher ON DetJV (VouStatus, VouNo, EntryNo);
CREATE INDEX ix_DetJV_AcCode ON DetJV (AcCode, VouDate);
CREATE INDEX ix_DetJV_VouDate ON DetJV (VouDate);
