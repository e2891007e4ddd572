-- Carry-forward forms: a student's inactive subjects carried into another
-- session, each with an amount that counts as received. A form's amounts are
-- also posted as 'CF' credit rows of DetJV numbered with its FormID.

-- One row per form; FormID is numbered by the program (largest plus one,
-- read in the transaction that inserts the row).
CREATE TABLE tblMasCarryForw (
    FormID   INTEGER NOT NULL PRIMARY KEY,
    FormDate DATE,
    AppID    INTEGER
);
CREATE INDEX ix_tblMasCarryForw_AppID ON tblMasCarryForw (AppID);
CREATE INDEX ix_tblMasCarryForw_FormDate ON tblMasCarryForw (FormDate);

-- The form's lines, rewritten whole at every save in the order entered.
-- SessionID is the session the subject is carried into, PreSessionID the
-- student's session when the form was saved; ForAmt is Null for no amount.
CREATE TABLE tblDetCarryForw (
    FormID       INTEGER NOT NULL,
    FormDate     DATE,
    AppID        INTEGER,
    SubjectID    INTEGER,
    Naration     VARCHAR(50) COLLATE NOCASE,
    SessionID    INTEGER,
    ForAmt       MONEY,
    PreSessionID INTEGER
);
CREATE INDEX ix_tblDetCarryForw_FormID ON tblDetCarryForw (FormID);
CREATE INDEX ix_tblDetCarryForw_AppID ON tblDetCarryForw (AppID, SessionID);
