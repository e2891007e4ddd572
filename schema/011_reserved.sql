-- Reserved: this step's number is taken by another change.
SELECT 1;
