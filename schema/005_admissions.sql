-- Admission applications and their subject lines.

-- One row per application; AppID is numbered by the program (largest plus one).
CREATE TABLE tblMasApp (
    AppID       INTEGER NOT NULL PRIMARY KEY,
    RegNo       VARCHAR(50) COLLATE NOCASE,
    AppDate     DATE,
    FixDate     DATE,
    StuName     VARCHAR(100) COLLATE NOCASE,
    FatherName  VARCHAR(100) COLLATE NOCASE,
    NIC         VARCHAR(15) COLLATE NOCASE,
    CellNo      VARCHAR(50) COLLATE NOCASE,
    Contact     VARCHAR(50) COLLATE NOCASE,
    Office      VARCHAR(50) COLLATE NOCASE,
    Email       VARCHAR(50) COLLATE NOCASE,
    MailAdd     VARCHAR(200) COLLATE NOCASE,
    LastQulS    VARCHAR(100) COLLATE NOCASE,
    AudCompany  VARCHAR(100) COLLATE NOCASE,
    ExamAtt     VARCHAR(12) COLLATE NOCASE,
    ModPart     VARCHAR(50) COLLATE NOCASE,
    RegFee      MONEY,
    TotAmt      MONEY,
    CashReceive MONEY,
    CusCode     INTEGER,
    SessionID   INTEGER,
    SectionAtoZ VARCHAR(1) COLLATE NOCASE,
    User_Name   VARCHAR(50) COLLATE NOCASE
);
-- The chart refuses to delete a student's account named here.
CREATE INDEX ix_tblMasApp_CusCode ON tblMasApp (CusCode);
CREATE INDEX ix_tblMasApp_SessionID ON tblMasApp (SessionID);

-- One row per subject line; an application's lines are rewritten whole on every save.
CREATE TABLE tblDetApp (
    AppID     INTEGER NOT NULL,
    SubID     INTEGER,
    SubAmt    MONEY,
    Discount  MONEY,
    Nerration VARCHAR(200) COLLATE NOCASE,
    NetAmount MONEY,
    RecAmount MONEY,
    InActive  VARCHAR(1) COLLATE NOCASE
);
CREATE INDEX ix_tblDetApp_AppID ON tblDetApp (AppID, SubID);
