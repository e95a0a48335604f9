; quodlet-asm --machine mcs4
; deep_calls.asm: a call four deep on the Intel MCS-4 system, one more than
; its stack holds.
;
; The 4004 keeps four 12-bit address registers, and the program counter is
; one of them: JMS leaves the return address in the current one and moves
; on to the next, BBL moves back. Three calls can be nested; the fourth
; takes the register that held the oldest return address, the one of the
; first JMS, which is lost. The inner three return as usual; the outermost
; BBL then lands where the deepest routine's BBL left its register: just
; after it, at LOST.
;   quodlet-run --machine mcs4 --until DONE deep_calls.asm
;   (or --stop-on-overflow, which stops before the fourth JMS)
; Result: R1 = 0 (the first return never came back), R2 = 2, R3 = 3, R4 = 4,
; R5 = 1 (BBL 1 arrived at LOST instead).

        JMS L1          ; 000: leaves 002 in register 0
        XCH R1          ; 002: would keep what L1 returns
        JUN DONE
L1:     JMS L2          ; leaves its return in register 1
        XCH R2
        BBL 1
L2:     JMS L3          ; register 2: all three returns in use
        XCH R3
        BBL 2
L3:     JMS L4          ; the fourth call: register 0, and 002 with it, is taken
        XCH R4
        BBL 3
L4:     BBL 4           ; leaves LOST in register 0 as it goes back
LOST:   XCH R5          ; where the outermost BBL arrives
DONE:   JUN DONE        ; the program's end: it waits here
