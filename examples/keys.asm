; keys.asm: turns a key press into a jump to the key's own routine.
;
; A keyboard line is read as four bits, one per key. KBP turns such a value
; into the number of the key: 0001 gives 1, 0010 gives 2, 0100 gives 3,
; 1000 gives 4, no key (0000) gives 0 and several keys at once give F.
; JIN Pn then jumps to the address made of the current page and the pair
; Pn, here into a table of JUN instructions, two bytes each, so the key's
; number is doubled first. F doubled is 1E: the low digit E (with a carry)
; picks the last entry, at TABLE+14.
; Change KEYS to try the other keys.
; Result: with KEYS = 0100, the third key's routine runs: R2 = C.

KEYS    EQU 0b0100      ; the keyboard lines: only the third key is down

        LDM KEYS
        KBP             ; A = the key's number: 3
        CLC
        RAL             ; A = 2 x the key's number
        FIM R0R1, TABLE ; R0 = the table's high digit, R1 = 0 ...
        XCH R1          ; ... now R1 = the entry's low digit
        JIN R0R1        ; jump into the table

        ORG 0x20        ; the table starts where the low digit is 0
TABLE:  JUN NONE        ; 0: no key
        JUN KEY1
        JUN KEY2
        JUN KEY3
        JUN KEY4
        ORG TABLE+14
        JUN SEVERAL     ; F: several keys

NONE:   LDM 0
        JUN DONE
KEY1:   LDM 0xA
        JUN DONE
KEY2:   LDM 0xB
        JUN DONE
KEY3:   LDM 0xC
        JUN DONE
KEY4:   LDM 0xD
        JUN DONE
SEVERAL: LDM 0xE
DONE:   XCH R2          ; R2 = the routine's mark
